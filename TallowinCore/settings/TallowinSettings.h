#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tallowin {

// The user's scan and VIP preferences, as stored in Tallowin.toml.
struct TALLOWIN_CORE_EXPORT TallowinSettings
{
    static constexpr std::int64_t currentSchemaVersion = 1;

    std::int64_t schemaVersion;
    bool automaticScanEnabled;
    std::int64_t scanIntervalHours;
    std::int64_t initialLookbackDays;
    std::int64_t routineLookbackDays;
    std::int64_t minimumOverlapDays;
    std::vector<std::string> vipNames;
    bool trackVIPActivity;
    bool trackVIPComments;
    bool trackVIPPushedChanges;

    // The values a missing file or a missing key stands for.
    static TallowinSettings defaults();

    // Throws TallowinSettingsError for the first broken rule; returns a copy whose VIP names are
    // trimmed, without empty names and without case- or diacritic-insensitive repeats.
    TallowinSettings validated() const;

    friend bool operator==(const TallowinSettings &, const TallowinSettings &) = default;
};

} // namespace tallowin
