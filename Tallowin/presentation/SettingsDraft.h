#pragma once

#include "TallowinCore/settings/TallowinSettings.h"

#include <cstdint>
#include <string>

namespace tallowin {

// The settings screen's fields, as the user edits them before saving.
struct SettingsDraft
{
    bool findTasksAutomatically = true;
    std::int64_t checkEveryHours = 1;
    std::int64_t firstScanDays = 30;
    std::int64_t laterScansDays = 7;
    std::int64_t overlapDays = 3;
    // One name per line.
    std::string peopleToWatch;
    bool activity = true;
    bool commentsAndReplies = true;
    bool gitHubChanges = true;

    static SettingsDraft of(const TallowinSettings &settings);
    // The settings to save: base with the draft's fields; the names split at line breaks, left for validation to
    // trim and deduplicate.
    TallowinSettings applied(const TallowinSettings &base) const;

    friend bool operator==(const SettingsDraft &, const SettingsDraft &) = default;
};

} // namespace tallowin
