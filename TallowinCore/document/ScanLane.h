#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <array>
#include <optional>
#include <string_view>

namespace tallowin {

// One source of a discovery scan.
enum class ScanLane { selfMessages, directMessages, channels, mentions };

inline constexpr std::array<ScanLane, 4> allScanLanes
    = {ScanLane::selfMessages, ScanLane::directMessages, ScanLane::channels, ScanLane::mentions};

TALLOWIN_CORE_EXPORT std::string_view rawValue(ScanLane lane);
TALLOWIN_CORE_EXPORT std::optional<ScanLane> scanLaneFromRawValue(std::string_view raw);

} // namespace tallowin
