#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/workflow/TallowinMerge.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::makeCandidate;
using test::makeCompleteScan;
using test::makeDocument;
using test::makeEvent;
using test::makeTask;

const TallowinInstant mergeTime = *TallowinClock::date("2026-04-01T10:00:00.000Z");

std::vector<std::string> idsOf(const TallowinDocument &document)
{
    std::vector<std::string> ids;
    for (const TaskItem &task : document.tasks)
        ids.push_back(task.id);
    return ids;
}

std::vector<std::string> eventIDs(const TaskItem &task)
{
    std::vector<std::string> ids;
    for (const TaskHistoryEvent &event : task.history)
        ids.push_back(event.id + ":" + event.note);
    return ids;
}

TaskItem versionOf(const std::string &id, const std::string &title, const std::string &updatedAt)
{
    TaskItem task = makeTask(id);
    task.title = title;
    task.updatedAt = updatedAt;
    return task;
}

TEST(TallowinMerge, NoDecksGiveTheEmptyDeck)
{
    TallowinDocument expected;
    expected.version = 2;
    expected.revision = 1;
    expected.title = "Tallowin";
    expected.updatedAt = "2026-04-01T10:00:00.000Z";
    EXPECT_EQ(TallowinMerge::documents({}, mergeTime), expected);
    EXPECT_EQ(TallowinMerge::emptyDeck(mergeTime), expected);
}

TEST(TallowinMerge, CardsAreOrderedByOrderThenByIDWithNumbersComparedByValue)
{
    const auto merged = TallowinMerge::documents(
        {makeDocument({makeTask("KB-10", 5), makeTask("KB-2", 5), makeTask("KB-9", 7)}),
            makeDocument({makeTask("KB-003", 5), makeTask("KB-1", 5), makeTask("KB-100", 1)})},
        mergeTime);
    // Plain text order would put "KB-003" first and "KB-10" before "KB-2".
    EXPECT_EQ(idsOf(merged), (std::vector<std::string> {"KB-100", "KB-1", "KB-2", "KB-003", "KB-10", "KB-9"}));

    const auto uuids = TallowinMerge::documents(
        {makeDocument({makeTask("KB-a10b", 0), makeTask("KB-a9c", 0), makeTask("KB-a9b", 0)})}, mergeTime);
    EXPECT_EQ(idsOf(uuids), (std::vector<std::string> {"KB-a9b", "KB-a9c", "KB-a10b"}));
}

TEST(TallowinMerge, TheNewerVersionOfACardWinsItsFieldsAndTheKeptOneWinsTies)
{
    TaskItem older = versionOf("KB-001", "Old title", "2026-03-01T00:00:00.000Z");
    TaskItem newer = versionOf("KB-001", "New title", "2026-03-02T00:00:00.000Z");
    newer.order = 9;
    newer.state = TaskState::completed;
    newer.result = "Done.";

    for (const auto &decks : {std::vector {makeDocument({older}), makeDocument({newer})},
             std::vector {makeDocument({newer}), makeDocument({older})}}) {
        const TaskItem merged = TallowinMerge::documents(decks, mergeTime).tasks.at(0);
        EXPECT_EQ(merged, newer) << "the input order does not matter when the times differ";
    }

    const TaskItem first = versionOf("KB-001", "First", "2026-03-01T00:00:00.000Z");
    const TaskItem second = versionOf("KB-001", "Second", "2026-03-01T00:00:00.000Z");
    EXPECT_EQ(TallowinMerge::documents({makeDocument({first}), makeDocument({second})}, mergeTime).tasks.at(0).title,
        "First");
    EXPECT_EQ(TallowinMerge::documents({makeDocument({second}), makeDocument({first})}, mergeTime).tasks.at(0).title,
        "Second");
}

TEST(TallowinMerge, VersionsOfACardUniteHistorySourcesAndMergeFields)
{
    TaskItem preferred = versionOf("KB-001", "Preferred", "2026-03-02T00:00:00.000Z");
    preferred.history = {makeEvent("e1", "2026-03-01T10:00:00.000Z", "restored", "P"),
        makeEvent("e3", "2026-03-01T09:00:00.000Z", "restored", "P")};
    preferred.sources = {TaskSource {"P link", "https://example.com/a", std::nullopt, std::nullopt, std::nullopt},
        TaskSource {"P other", "https://example.com/b", std::nullopt, std::nullopt, std::nullopt}};
    preferred.mergedTaskIDs = std::vector<std::string> {"KB-9"};
    preferred.highlighted = false;

    TaskItem other = versionOf("KB-001", "Other", "2026-03-01T00:00:00.000Z");
    other.history = {makeEvent("e1", "2026-03-01T10:00:00.000Z", "restored", "O"),
        makeEvent("e2", "2026-03-01T10:00:00.000Z", "restored", "O")};
    other.sources = {TaskSource {"O new", "https://example.com/c", std::nullopt, std::nullopt, std::nullopt},
        TaskSource {"O link", "https://example.com/a", std::nullopt, std::nullopt, std::nullopt}};
    other.mergedTaskIDs = std::vector<std::string> {"KB-10", "KB-9"};
    other.captureOrigin = "slack";
    other.highlighted = true;

    const auto merged = TallowinMerge::documents(
        {makeDocument({other, makeTask("KB-9", 1), makeTask("KB-10", 1)}), makeDocument({preferred})}, mergeTime);
    const TaskItem &card = merged.tasks.at(0);
    ASSERT_EQ(card.id, "KB-001");
    EXPECT_EQ(card.title, "Preferred");
    // The preferred version's events come first, so its e1 is kept, and e1 stays ahead of e2 at the same time.
    EXPECT_EQ(eventIDs(card), (std::vector<std::string> {"e3:P", "e1:P", "e2:O"}));
    ASSERT_EQ(card.sources.size(), 3u);
    EXPECT_EQ(card.sources[0].label, "P link");
    EXPECT_EQ(card.sources[1].label, "P other");
    EXPECT_EQ(card.sources[2].label, "O new");
    EXPECT_EQ(card.mergedTaskIDs, (std::vector<std::string> {"KB-10", "KB-9"})) << "text order, not natural order";
    EXPECT_EQ(card.captureOrigin, "slack");
    EXPECT_EQ(card.highlighted, true);
}

TEST(TallowinMerge, OptionalCardFieldsFollowThePreferredVersionUnlessOnlyTheOtherHasThem)
{
    TaskItem preferred = versionOf("KB-001", "Preferred", "2026-03-02T00:00:00.000Z");
    preferred.captureOrigin = "manual";
    TaskItem other = versionOf("KB-001", "Other", "2026-03-01T00:00:00.000Z");
    other.captureOrigin = "slack";
    other.highlighted = false;

    const TaskItem card
        = TallowinMerge::documents({makeDocument({preferred}), makeDocument({other})}, mergeTime).tasks.at(0);
    EXPECT_EQ(card.captureOrigin, "manual");
    EXPECT_EQ(card.highlighted, std::nullopt) << "false on the other side does not replace an absent value";
    EXPECT_EQ(card.mergedTaskIDs, std::nullopt);
}

TEST(TallowinMerge, ACardMetOnceIsTakenUnchanged)
{
    TaskItem single = makeTask("KB-001");
    single.history = {makeEvent("late", "2026-03-02T00:00:00.000Z"), makeEvent("early", "2026-03-01T00:00:00.000Z")};
    const auto merged
        = TallowinMerge::documents({makeDocument({single}), makeDocument({makeTask("KB-002")})}, mergeTime);
    EXPECT_EQ(merged.tasks.at(0), single);
}

TEST(TallowinMerge, CandidatesAreReplacedOnlyByALaterDiscovery)
{
    TaskCandidate kept = makeCandidate("c1");
    kept.title = "Kept";
    kept.discoveredAt = "2026-03-02T00:00:00.000Z";
    TaskCandidate earlier = kept;
    earlier.title = "Earlier";
    earlier.discoveredAt = "2026-03-01T00:00:00.000Z";
    TaskCandidate sameTime = kept;
    sameTime.title = "Same time";
    TaskCandidate later = kept;
    later.title = "Later";
    later.discoveredAt = "2026-03-05T00:00:00.000Z";
    TaskCandidate other = makeCandidate("c2", "https://example.com/item/2");
    other.discoveredAt = "2026-03-03T00:00:00.000Z";
    TaskCandidate tied = makeCandidate("c0", "https://example.com/item/0");
    tied.discoveredAt = "2026-03-03T00:00:00.000Z";

    TallowinDocument first = makeDocument();
    first.pendingCandidates = {kept, other};
    TallowinDocument second = makeDocument();
    second.pendingCandidates = {earlier, sameTime, tied};
    auto merged = TallowinMerge::documents({first, second}, mergeTime);
    ASSERT_EQ(merged.pendingCandidates.size(), 3u);
    EXPECT_EQ(merged.pendingCandidates[0].title, "Kept");
    EXPECT_EQ(merged.pendingCandidates[1].id, "c2") << "equal discovery times keep their order";
    EXPECT_EQ(merged.pendingCandidates[2].id, "c0");

    TallowinDocument third = makeDocument();
    third.pendingCandidates = {later};
    merged = TallowinMerge::documents({first, second, third}, mergeTime);
    ASSERT_EQ(merged.pendingCandidates.size(), 3u);
    EXPECT_EQ(merged.pendingCandidates[2].title, "Later") << "sorted by its own, later discovery time";
}

TEST(TallowinMerge, DeckFieldsComeFromTheNewestDeckAndScansAreUnited)
{
    TallowinDocument older = makeDocument({makeTask("KB-001")});
    older.revision = 7;
    older.title = "Older";
    older.updatedAt = "2026-03-01T00:00:00.000Z";
    older.dismissedCandidateKeys = {"url:b", "url:a"};
    older.lastSlackScan = makeCompleteScan("2026-03-05T00:00:00.000Z");
    older.lastSlackScan->note = "older's";
    older.scanHistory = {makeCompleteScan("2026-03-05T00:00:00.000Z"), makeCompleteScan("2026-03-01T00:00:00.000Z")};
    older.scanHistory[0].note = "kept";
    older.lastCompleteSlackScanAt = "2026-03-05T00:00:00.000Z";

    TallowinDocument newer = makeDocument({makeTask("KB-002")});
    newer.revision = 3;
    newer.title = "Newer";
    newer.updatedAt = "2026-03-02T00:00:00.000Z";
    newer.runID = "run-1";
    newer.runTaskIDs = std::vector<std::string> {"KB-002"};
    newer.runProcessedIDs = std::vector<std::string> {};
    newer.dismissedCandidateKeys = {"url:a", "slack:c"};
    newer.lastSlackScan = makeCompleteScan("2026-03-05T00:00:00.000Z");
    newer.lastSlackScan->note = "newer's";
    newer.scanHistory = {makeCompleteScan("2026-03-03T00:00:00.000Z"), makeCompleteScan("2026-03-05T00:00:00.000Z")};
    newer.scanHistory[1].note = "dropped";

    const auto merged = TallowinMerge::documents({older, newer}, mergeTime);
    EXPECT_EQ(merged.version, 2);
    EXPECT_EQ(merged.revision, 7);
    EXPECT_EQ(merged.updatedAt, "2026-04-01T10:00:00.000Z");
    EXPECT_EQ(merged.title, "Newer");
    EXPECT_EQ(merged.runID, "run-1");
    EXPECT_EQ(merged.runTaskIDs, newer.runTaskIDs);
    EXPECT_EQ(merged.runProcessedIDs, newer.runProcessedIDs);
    EXPECT_EQ(merged.dismissedCandidateKeys, (std::vector<std::string> {"slack:c", "url:a", "url:b"}));
    ASSERT_TRUE(merged.lastSlackScan);
    EXPECT_EQ(merged.lastSlackScan->note, "older's") << "equal finish times keep the earlier deck's report";
    ASSERT_EQ(merged.scanHistory.size(), 3u);
    EXPECT_EQ(merged.scanHistory[0].finishedAt, "2026-03-01T00:00:00.000Z");
    EXPECT_EQ(merged.scanHistory[1].finishedAt, "2026-03-03T00:00:00.000Z");
    EXPECT_EQ(merged.scanHistory[2].note, "kept");
    EXPECT_EQ(merged.lastCompleteSlackScanAt, "2026-03-05T00:00:00.000Z");

    newer.updatedAt = older.updatedAt;
    const auto tie = TallowinMerge::documents({older, newer}, mergeTime);
    EXPECT_EQ(tie.title, "Older") << "on equal times the earlier deck is the base";
    EXPECT_EQ(tie.runID, std::nullopt);
}

TEST(TallowinMerge, TheResultIsValidated)
{
    TaskItem first = makeTask("KB-001");
    first.history = {makeEvent("shared-event")};
    TaskItem second = makeTask("KB-002");
    second.history = {makeEvent("shared-event")};
    if (const auto error
        = EXPECT_THROW_SENTENCE(TallowinValidationError, TallowinValidationError::duplicateHistoryID("shared-event"),
            TallowinMerge::documents({makeDocument({first}), makeDocument({second})}, mergeTime))) {
        EXPECT_STREQ(error->what(), "Tallowin contains duplicate history ID shared-event.");
    }
}

TEST(TallowinMerge, InputsAreNotChanged)
{
    TallowinDocument first = makeDocument({makeTask("KB-2"), makeTask("KB-1")});
    first.dismissedCandidateKeys = {"url:b", "url:a"};
    TallowinDocument second = makeDocument({versionOf("KB-1", "Newer", "2026-03-20T00:00:00.000Z")});
    const std::vector<TallowinDocument> inputs {first, second};
    TallowinMerge::documents(inputs, mergeTime);
    EXPECT_EQ(inputs[0], first);
    EXPECT_EQ(inputs[1], second);
}

} // namespace
} // namespace tallowin
