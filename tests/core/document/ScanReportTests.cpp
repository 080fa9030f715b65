#include "TallowinCore/document/ScanReport.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

ScanLaneEvidence exhaustedLane(ScanLane lane)
{
    ScanLaneEvidence evidence;
    evidence.lane = lane;
    evidence.upperBoundAt = test::fixedTime;
    evidence.exhausted = true;
    return evidence;
}

std::vector<ScanLaneEvidence> allLanesExhausted()
{
    std::vector<ScanLaneEvidence> lanes;
    for (ScanLane lane : allScanLanes)
        lanes.push_back(exhaustedLane(lane));
    return lanes;
}

TEST(ScanReportCompleteness, AllFlagsWithoutLanesIsComplete)
{
    EXPECT_TRUE(test::makeCompleteScan().isComplete());
}

TEST(ScanReportCompleteness, AnyMissingFlagIsIncomplete)
{
    for (bool ScanReport::*flag : {&ScanReport::selfMessages, &ScanReport::directMessages, &ScanReport::channels,
             &ScanReport::mentions, &ScanReport::allPagesRead}) {
        ScanReport report = test::makeCompleteScan();
        report.*flag = false;
        EXPECT_FALSE(report.isComplete());
    }
}

TEST(ScanReportCompleteness, LaneEvidenceMustCoverEachLaneOnceAndExhausted)
{
    ScanReport report = test::makeCompleteScan();
    report.lanes = allLanesExhausted();
    EXPECT_TRUE(report.isComplete());

    report.lanes->pop_back();
    EXPECT_FALSE(report.isComplete()) << "three lanes";

    report.lanes = allLanesExhausted();
    (*report.lanes)[3].lane = ScanLane::channels;
    EXPECT_FALSE(report.isComplete()) << "two entries share a lane";

    report.lanes = allLanesExhausted();
    (*report.lanes)[1].exhausted = false;
    EXPECT_FALSE(report.isComplete());

    report.lanes = std::vector<ScanLaneEvidence> {};
    EXPECT_FALSE(report.isComplete()) << "present but empty lanes are not the same as absent";
}

TEST(ScanReportCompleteness, EmptyLeftoversCountAsNone)
{
    ScanReport report = test::makeCompleteScan();
    report.lanes = allLanesExhausted();
    (*report.lanes)[2].continuationCursor = "";
    (*report.lanes)[0].failure = "";
    (*report.lanes)[1].pendingThreadURLs = std::vector<std::string> {};
    EXPECT_TRUE(report.isComplete());

    (*report.lanes)[2].continuationCursor = "cursor-1";
    EXPECT_FALSE(report.isComplete());
    (*report.lanes)[2].continuationCursor.reset();
    (*report.lanes)[1].pendingThreadURLs = std::vector<std::string> {"https://x.slack.com/archives/C1/p1"};
    EXPECT_FALSE(report.isComplete());
    (*report.lanes)[1].pendingThreadURLs.reset();
    (*report.lanes)[0].failure = "rate limited";
    EXPECT_FALSE(report.isComplete());
}

} // namespace
} // namespace tallowin
