// The settings screen's fields and the settings they stand for.
#include "Tallowin/presentation/SettingsDraft.h"

#include <gtest/gtest.h>

using namespace tallowin;

TEST(SettingsDraft, mapsEveryFieldBothWays)
{
    TallowinSettings settings = TallowinSettings::defaults();
    settings.automaticScanEnabled = false;
    settings.scanIntervalHours = 6;
    settings.initialLookbackDays = 45;
    settings.routineLookbackDays = 10;
    settings.minimumOverlapDays = 2;
    settings.vipNames = {"Ana", "Björn Åström"};
    settings.trackVIPActivity = false;
    settings.trackVIPComments = true;
    settings.trackVIPPushedChanges = false;

    const SettingsDraft draft = SettingsDraft::of(settings);
    EXPECT_FALSE(draft.findTasksAutomatically);
    EXPECT_EQ(draft.checkEveryHours, 6);
    EXPECT_EQ(draft.firstScanDays, 45);
    EXPECT_EQ(draft.laterScansDays, 10);
    EXPECT_EQ(draft.overlapDays, 2);
    EXPECT_EQ(draft.peopleToWatch, "Ana\nBjörn Åström");
    EXPECT_FALSE(draft.activity);
    EXPECT_TRUE(draft.commentsAndReplies);
    EXPECT_FALSE(draft.gitHubChanges);
    EXPECT_EQ(draft.applied(TallowinSettings::defaults()), settings);
}

TEST(SettingsDraft, splitsNamesAtEveryKindOfLineBreakAndLeavesCleaningToValidation)
{
    SettingsDraft draft = SettingsDraft::of(TallowinSettings::defaults());
    EXPECT_EQ(draft.peopleToWatch, "");
    EXPECT_TRUE(draft.applied(TallowinSettings::defaults()).vipNames.empty());

    draft.peopleToWatch = " Ana \r\nBen\rCafé\n\ncafe\n";
    const TallowinSettings applied = draft.applied(TallowinSettings::defaults());
    EXPECT_EQ(applied.vipNames, (std::vector<std::string> {" Ana ", "Ben", "Café", "", "cafe", ""}));
    EXPECT_EQ(applied.validated().vipNames, (std::vector<std::string> {"Ana", "Ben", "Café"}));
}

TEST(SettingsDraft, keepsWhatTheScreenDoesNotShow)
{
    TallowinSettings base = TallowinSettings::defaults();
    base.schemaVersion = 7;
    EXPECT_EQ(SettingsDraft::of(base).applied(base).schemaVersion, 7);
}
