#pragma once

#include "TallowinCore/document/ScanLane.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// What one discovery scan did in one lane.
struct ScanLaneEvidence
{
    ScanLane lane = ScanLane::selfMessages;
    std::optional<std::string> lowerBoundAt;
    std::string upperBoundAt;
    std::int64_t conversationsInspected = 0;
    std::int64_t pagesRead = 0;
    std::int64_t threadsRead = 0;
    bool exhausted = false;
    std::optional<std::string> failure;
    std::optional<std::string> continuationCursor;
    std::optional<std::vector<std::string>> pendingThreadURLs;

    friend bool operator==(const ScanLaneEvidence &, const ScanLaneEvidence &) = default;
};

} // namespace tallowin
