#include "Tallowin/presentation/SettingsDraft.h"

namespace tallowin {

SettingsDraft SettingsDraft::of(const TallowinSettings &settings)
{
    SettingsDraft draft;
    draft.findTasksAutomatically = settings.automaticScanEnabled;
    draft.checkEveryHours = settings.scanIntervalHours;
    draft.firstScanDays = settings.initialLookbackDays;
    draft.laterScansDays = settings.routineLookbackDays;
    draft.overlapDays = settings.minimumOverlapDays;
    for (std::size_t index = 0; index < settings.vipNames.size(); ++index) {
        if (index > 0)
            draft.peopleToWatch += '\n';
        draft.peopleToWatch += settings.vipNames[index];
    }
    draft.activity = settings.trackVIPActivity;
    draft.commentsAndReplies = settings.trackVIPComments;
    draft.gitHubChanges = settings.trackVIPPushedChanges;
    return draft;
}

TallowinSettings SettingsDraft::applied(const TallowinSettings &base) const
{
    TallowinSettings settings = base;
    settings.automaticScanEnabled = findTasksAutomatically;
    settings.scanIntervalHours = checkEveryHours;
    settings.initialLookbackDays = firstScanDays;
    settings.routineLookbackDays = laterScansDays;
    settings.minimumOverlapDays = overlapDays;
    settings.vipNames.clear();
    std::string name;
    for (std::size_t index = 0; !peopleToWatch.empty() && index <= peopleToWatch.size(); ++index) {
        const char c = index < peopleToWatch.size() ? peopleToWatch[index] : '\n';
        if (c != '\n' && c != '\r') {
            name += c;
            continue;
        }
        // "\r\n" ends one line, not two.
        if (c == '\r' && index + 1 < peopleToWatch.size() && peopleToWatch[index + 1] == '\n')
            ++index;
        settings.vipNames.push_back(std::move(name));
        name.clear();
    }
    settings.trackVIPActivity = activity;
    settings.trackVIPComments = commentsAndReplies;
    settings.trackVIPPushedChanges = gitHubChanges;
    return settings;
}

} // namespace tallowin
