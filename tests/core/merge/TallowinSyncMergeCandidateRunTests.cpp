#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tallowin {
namespace {

constexpr const char *earlier = "2026-03-14T10:00:00.000Z";
constexpr const char *later = "2026-03-14T11:00:00.000Z";

std::vector<std::string> candidateIDs(const TallowinDocument &deck)
{
    std::vector<std::string> ids;
    for (const TaskCandidate &candidate : deck.pendingCandidates)
        ids.push_back(candidate.id);
    return ids;
}

TaskCandidate candidateFor(const std::string &id, const std::string &url, const std::string &title)
{
    TaskCandidate candidate = test::makeCandidate(id, url);
    candidate.title = title;
    return candidate;
}

TaskSource link(const std::string &url)
{
    return TaskSource {"thread", url, std::nullopt, std::nullopt, std::nullopt};
}

class TallowinSyncMergeInboxTest : public ::testing::Test
{
protected:
    TallowinSyncMergeInboxTest()
    {
        base = test::makeDocument({test::makeTask("KB-001")});
        base.pendingCandidates = {test::makeCandidate("c1", "https://example.com/item/1"),
            test::makeCandidate("c2", "https://example.com/item/2")};
        local = base;
        local.updatedAt = earlier;
        remote = base;
        remote.updatedAt = later;
    }

    TallowinDocument merged() const { return TallowinSyncMerge::reconcile(&base, local, remote); }

    TallowinDocument base;
    TallowinDocument local;
    TallowinDocument remote;
};

TEST_F(TallowinSyncMergeInboxTest, aCandidateTakenFromTheInboxOnEitherSideIsGoneForGood)
{
    local.pendingCandidates.erase(local.pendingCandidates.begin()); // c1 accepted here
    remote.pendingCandidates.pop_back(); // c2 dismissed there
    remote.pendingCandidates.push_back(test::makeCandidate("c3", "https://example.com/item/3"));
    EXPECT_EQ(candidateIDs(merged()), std::vector<std::string> {"c3"});

    // Without a base nothing tells an accepted candidate from a new one.
    EXPECT_EQ(candidateIDs(TallowinSyncMerge::reconcile(nullptr, local, remote)),
        (std::vector<std::string> {"c1", "c2", "c3"}));
}

TEST_F(TallowinSyncMergeInboxTest, candidatesAreUnitedByIDWithTheLocalVersionAndSortedByID)
{
    local.pendingCandidates.insert(local.pendingCandidates.begin(), test::makeCandidate("c9", "https://x.example/9"));
    TaskCandidate localNew = test::makeCandidate("c5", "https://x.example/5");
    localNew.context = "Seen here";
    TaskCandidate remoteNew = localNew;
    remoteNew.context = "Seen there";
    local.pendingCandidates.push_back(localNew);
    remote.pendingCandidates.push_back(remoteNew);

    const TallowinDocument result = merged();
    EXPECT_EQ(candidateIDs(result), (std::vector<std::string> {"c1", "c2", "c5", "c9"}));
    EXPECT_EQ(result.pendingCandidates[2], localNew);
}

TEST_F(TallowinSyncMergeInboxTest, aCandidateForALinkACardAlreadyHasUnderTheSameTitleIsDropped)
{
    TaskItem &card = remote.tasks.front();
    card.title = "Review the Q3 plan";
    card.sources = {link("https://acme.slack.com/archives/C01/p123")};
    card.updatedAt = later;
    // Same message on another host and in other letter case, same title once normalised.
    remote.pendingCandidates.push_back(
        candidateFor("c3", "https://other.slack.com/archives/c01/P123?thread=1", "review the Q3 plan!"));
    remote.pendingCandidates.push_back(
        candidateFor("c4", "https://acme.slack.com/archives/C01/p123", "A different task"));
    EXPECT_EQ(candidateIDs(merged()), (std::vector<std::string> {"c1", "c2", "c4"}));
}

TEST_F(TallowinSyncMergeInboxTest, linksAreMatchedByTheirSourceKeyWhateverTheirSpelling)
{
    struct Case
    {
        const char *cardURL;
        const char *candidateURL;
        bool dropped;
    };
    const Case cases[] = {
        {"https://acme.slack.com/archives/C01/p99/thread/x", "https://acme.slack.com/archives/C01/p99", true},
        {"https://acme.slack.com/archives/C01/p%31%32", "https://acme.slack.com/archives/c01/P12", true},
        {"HTTPS://GitHub.com/Org/Repo/pull/7/#files", "https://github.com/org/repo/pull/7?tab=1", true},
        {"https://user@github.com:8443/org/repo/", "https://USER@GITHUB.COM:8443/org/repo", true},
        {"https://github.com/org/repo/pull/7", "https://github.com/org/repo/pull/8", false},
        {"https://github.com/org/a%42c", "https://github.com/org/abc", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.cardURL) + " / " + c.candidateURL);
        remote = base;
        remote.updatedAt = later;
        remote.tasks.front().sources = {link(c.cardURL)};
        remote.pendingCandidates.push_back(candidateFor("c3", c.candidateURL, remote.tasks.front().title));
        const std::vector<std::string> kept = candidateIDs(merged());
        EXPECT_EQ(std::find(kept.begin(), kept.end(), "c3") == kept.end(), c.dropped);
    }
}

TEST_F(TallowinSyncMergeInboxTest, aCandidateWhoseKeyEitherSideDismissedIsDropped)
{
    local.pendingCandidates.push_back(candidateFor("c3", "https://example.com/item/3", "Call the bank"));
    remote.dismissedCandidateKeys = {"url:https://example.com/item/3|call-the-bank"};
    const TallowinDocument result = merged();
    EXPECT_EQ(candidateIDs(result), (std::vector<std::string> {"c1", "c2"}));
    EXPECT_EQ(result.dismissedCandidateKeys, remote.dismissedCandidateKeys);
}

class TallowinSyncMergeRunTest : public ::testing::Test
{
protected:
    TallowinSyncMergeRunTest()
    {
        base = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
        base.runID = "run-1";
        base.runTaskIDs = {"KB-001", "KB-002"};
        base.runProcessedIDs = {"KB-001"};
        local = base;
        local.updatedAt = earlier;
        remote = base;
        remote.updatedAt = later;
    }

    TallowinDocument merged() const { return TallowinSyncMerge::reconcile(&base, local, remote); }

    TallowinDocument base;
    TallowinDocument local;
    TallowinDocument remote;
};

TEST_F(TallowinSyncMergeRunTest, newCardsWaitingForADecisionJoinTheOpenRun)
{
    remote.tasks.push_back(test::makeTask("KB-005", 5));
    remote.tasks.push_back(test::makeTask("KB-004", 4, TaskState::delayed));
    remote.tasks.push_back(test::makeTask("KB-003", 3, TaskState::actionRequested));
    local.tasks.push_back(test::makeTask("KB-006", 2, TaskState::completed));
    local.runProcessedIDs = {"KB-001", "KB-002"};

    const TallowinDocument result = merged();
    EXPECT_EQ(result.runID, "run-1");
    EXPECT_EQ(result.runTaskIDs, (std::vector<std::string> {"KB-001", "KB-002", "KB-003", "KB-005"}));
    EXPECT_EQ(result.runProcessedIDs, (std::vector<std::string> {"KB-001", "KB-002"}));
}

TEST_F(TallowinSyncMergeRunTest, runListsOfOneRunAreUnitedWithTheNewerDecksEntriesFirst)
{
    local.tasks.push_back(test::makeTask("KB-003", 3));
    base.tasks.push_back(local.tasks.back());
    remote.tasks.push_back(local.tasks.back());
    local.runTaskIDs = {"KB-001", "KB-003", "KB-002"};
    remote.runTaskIDs = {"KB-002", "KB-001"};
    remote.runProcessedIDs = {"KB-002"};

    const TallowinDocument result = merged();
    EXPECT_EQ(result.runTaskIDs, (std::vector<std::string> {"KB-002", "KB-001", "KB-003"}));
    EXPECT_EQ(result.runProcessedIDs, (std::vector<std::string> {"KB-002", "KB-001"}));
}

TEST_F(TallowinSyncMergeRunTest, aRunOpenedOnOneSideReplacesTheOtherWholeWhenItsDeckIsNewer)
{
    remote.runID = "run-2";
    remote.runTaskIDs = {"KB-002"};
    remote.runProcessedIDs.reset();
    local.runTaskIDs = {"KB-001", "KB-002"};
    EXPECT_EQ(merged().runTaskIDs, std::vector<std::string> {"KB-002"});
    EXPECT_FALSE(merged().runProcessedIDs);

    // When the deck without a run is the newer one, no run remains.
    remote.runID.reset();
    remote.runTaskIDs.reset();
    const TallowinDocument result = merged();
    EXPECT_FALSE(result.runID);
    EXPECT_FALSE(result.runTaskIDs);
    EXPECT_FALSE(result.runProcessedIDs);
}

} // namespace
} // namespace tallowin
