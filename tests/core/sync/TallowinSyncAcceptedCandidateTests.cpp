#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakeSyncTransport.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace tallowin {
namespace {

const TallowinInstant later = *TallowinClock::date("2026-03-14T10:00:00.000Z");

bool isPending(const TallowinDocument &deck, const std::string &candidateID)
{
    return std::any_of(deck.pendingCandidates.begin(), deck.pendingCandidates.end(),
        [&](const TaskCandidate &candidate) { return candidate.id == candidateID; });
}

const TaskItem *findCard(const TallowinDocument &deck, const std::string &id)
{
    const auto found
        = std::find_if(deck.tasks.begin(), deck.tasks.end(), [&](const TaskItem &task) { return task.id == id; });
    return found == deck.tasks.end() ? nullptr : &*found;
}

// Accepts the candidate and retitles the card it became, so that the card's link no longer gives the
// candidate's item key.
TallowinDocument acceptedAndRetitled(const TallowinDocument &deck, const std::string &candidateID)
{
    TallowinDocument accepted = TallowinReducer::apply(TallowinCommand::acceptCandidate(candidateID), deck, later);
    for (TaskItem &card : accepted.tasks) {
        if (card.id == "KB-" + candidateID) {
            card.title = "Renamed after accepting";
            card.updatedAt = TallowinClock::now(later);
        }
    }
    return accepted;
}

// A base that never held the candidate: the cloud got it from a save whose answer was lost, so the checkpoint
// stayed behind. The card made from the candidate is what tells that it was accepted.
TEST(TallowinSyncAcceptedCandidate, ACandidateWhoseCardExistsIsNotSuggestedAgain)
{
    const TallowinDocument base = test::makeDocument({test::makeTask("KB-001")});
    TallowinDocument withCandidate = base;
    withCandidate.pendingCandidates.push_back(test::makeCandidate("cand-7", "https://example.com/item/7"));
    const TallowinDocument local = acceptedAndRetitled(withCandidate, "cand-7");

    for (const bool localFirst : {true, false}) {
        SCOPED_TRACE(localFirst);
        const TallowinDocument merged = localFirst ? TallowinSyncMerge::reconcile(&base, local, withCandidate)
                                                   : TallowinSyncMerge::reconcile(&base, withCandidate, local);
        EXPECT_FALSE(isPending(merged, "cand-7"));
        ASSERT_TRUE(findCard(merged, "KB-cand-7"));
        EXPECT_EQ(findCard(merged, "KB-cand-7")->title, "Renamed after accepting");
    }

    // Only the card with the ID accepting would mint counts; another candidate from the same link stays.
    TallowinDocument remote = withCandidate;
    remote.pendingCandidates.push_back(test::makeCandidate("cand-8", "https://example.com/item/7"));
    EXPECT_TRUE(isPending(TallowinSyncMerge::reconcile(&base, local, remote), "cand-8"));
}

TEST(TallowinSyncAcceptedCandidate, ACandidateAcceptedAfterASaveWhoseAnswerWasLostStaysAccepted)
{
    test::TemporaryFolder folder;
    auto cloud = std::make_shared<test::FakeSyncTransport>();
    auto repository = std::make_shared<TallowinRepository>(folder.path("Tallowin.md"));
    repository->prepareIfNeeded(test::makeDocument({test::makeTask("KB-001")}));
    TallowinSyncEngine engine(repository, cloud, folder.path("CloudSync.json"));
    engine.synchronize();

    // The agent suggests a card; the save carrying it reaches the cloud, but its answer does not come back.
    TallowinDocument deck = repository->load();
    deck.pendingCandidates.push_back(test::makeCandidate("cand-7", "https://example.com/item/7"));
    deck = repository->save(deck, deck.revision);
    cloud->loseNextSaveAnswer(std::make_exception_ptr(TallowinSyncError::unavailable("Offline.")));
    EXPECT_THROW(engine.synchronize(), TallowinSyncError);
    ASSERT_TRUE(isPending(cloud->record()->document, "cand-7"));

    deck = repository->load();
    TallowinDocument accepted = acceptedAndRetitled(deck, "cand-7");
    accepted.revision = deck.revision + 1;
    repository->save(std::move(accepted), deck.revision);

    const TallowinDocument synced = engine.synchronize();
    EXPECT_FALSE(isPending(synced, "cand-7"));
    EXPECT_FALSE(isPending(cloud->record()->document, "cand-7"));
    ASSERT_TRUE(findCard(synced, "KB-cand-7"));
    EXPECT_EQ(findCard(synced, "KB-cand-7")->title, "Renamed after accepting");
}

} // namespace
} // namespace tallowin
