#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/generator/DeckGenerator.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tallowin {
namespace {

constexpr const char *earlier = "2026-03-14T10:00:00.000Z";
constexpr const char *later = "2026-03-14T11:00:00.000Z";

TallowinDocument deckAt(const std::string &updatedAt, std::vector<TaskItem> tasks)
{
    TallowinDocument deck = test::makeDocument(std::move(tasks));
    deck.updatedAt = updatedAt;
    return deck;
}

ScanReport scanAt(const std::string &finishedAt, const std::string &note)
{
    ScanReport report = test::makeCompleteScan(finishedAt);
    report.note = note;
    return report;
}

std::set<std::string> conflictIDs(const TallowinDocument &deck)
{
    std::set<std::string> ids;
    for (const TaskItem &task : deck.tasks) {
        for (const TaskHistoryEvent &event : task.history) {
            if (event.type == "sync_conflict")
                ids.insert(event.id);
        }
    }
    return ids;
}

TEST(TallowinSyncMergeTest, equivalenceLooksAtEveryFieldButTheRevision)
{
    const TallowinDocument deck = deckAt(earlier, {test::makeTask("KB-001")});
    TallowinDocument other = deck;
    other.revision = 42;
    EXPECT_TRUE(TallowinSyncMerge::equivalent(deck, other));

    const std::vector<std::pair<const char *, std::function<void(TallowinDocument &)>>> changes = {
        {"version", [](TallowinDocument &d) { d.version = 1; }},
        {"title", [](TallowinDocument &d) { d.title = "Other"; }},
        {"updatedAt", [](TallowinDocument &d) { d.updatedAt = later; }},
        {"tasks", [](TallowinDocument &d) { d.tasks.front().title = "Changed"; }},
        {"runID", [](TallowinDocument &d) { d.runID = "run"; }},
        {"runTaskIDs", [](TallowinDocument &d) { d.runTaskIDs.emplace(); }},
        {"runProcessedIDs", [](TallowinDocument &d) { d.runProcessedIDs.emplace(); }},
        {"lastSlackScan", [](TallowinDocument &d) { d.lastSlackScan = test::makeCompleteScan(); }},
        {"scanHistory", [](TallowinDocument &d) { d.scanHistory.push_back(test::makeCompleteScan()); }},
        {"lastCompleteSlackScanAt", [](TallowinDocument &d) { d.lastCompleteSlackScanAt = later; }},
        {"pendingCandidates", [](TallowinDocument &d) { d.pendingCandidates.push_back(test::makeCandidate("c1")); }},
        {"dismissedCandidateKeys", [](TallowinDocument &d) { d.dismissedCandidateKeys.push_back("key"); }},
    };
    for (const auto &[field, change] : changes) {
        SCOPED_TRACE(field);
        TallowinDocument changed = deck;
        change(changed);
        EXPECT_FALSE(TallowinSyncMerge::equivalent(deck, changed));
    }
}

TEST(TallowinSyncMergeTest, equivalentSidesGiveTheLocalDeckUnchanged)
{
    const TallowinDocument local = deckAt(earlier, {test::makeTask("KB-001")});
    TallowinDocument remote = local;
    remote.revision = 9;
    EXPECT_EQ(TallowinSyncMerge::reconcile(nullptr, local, remote), local);
    EXPECT_EQ(TallowinSyncMerge::reconcile(&remote, local, remote), local);
}

TEST(TallowinSyncMergeTest, withoutBaseAnEmptySideNeverWipesTheOther)
{
    TallowinDocument empty = deckAt(later, {});
    empty.revision = 3;
    TallowinDocument full = deckAt(earlier, {test::makeTask("KB-001")});
    full.pendingCandidates.push_back(test::makeCandidate("c1"));
    full.revision = 8;

    EXPECT_EQ(TallowinSyncMerge::reconcile(nullptr, empty, full), full);
    EXPECT_EQ(TallowinSyncMerge::reconcile(nullptr, full, empty), full);

    // A deck holding only an inbox is not empty: both sides are merged.
    TallowinDocument inboxOnly = empty;
    inboxOnly.pendingCandidates.push_back(test::makeCandidate("c0", "https://example.com/item/0"));
    const TallowinDocument merged = TallowinSyncMerge::reconcile(nullptr, inboxOnly, full);
    EXPECT_EQ(merged.revision, 3);
    EXPECT_EQ(merged.tasks, full.tasks);
    ASSERT_EQ(merged.pendingCandidates.size(), 2u);
    EXPECT_EQ(merged.pendingCandidates[0].id, "c0");
    EXPECT_EQ(merged.pendingCandidates[1].id, "c1");
}

TEST(TallowinSyncMergeTest, deckFieldsFollowTheNewerDeckAndUniteTheScansAndKeys)
{
    TallowinDocument local = deckAt(earlier, {test::makeTask("KB-001")});
    local.version = 1;
    local.revision = 7;
    local.title = "Local deck";
    local.lastSlackScan = scanAt("2026-03-14T08:30:00.000Z", "local last");
    local.scanHistory = {scanAt("2026-03-14T08:30:00.000Z", "local"), scanAt("2026-03-14T08:00:00.000Z", "local")};
    local.lastCompleteSlackScanAt = "2026-03-14T08:30:00.000Z";
    local.dismissedCandidateKeys = {"k2", "k1"};
    TallowinDocument remote = deckAt(later, {test::makeTask("KB-002", 1)});
    remote.revision = 3;
    remote.title = "Remote deck";
    remote.lastSlackScan = scanAt("2026-03-14T08:00:00.000Z", "remote last");
    remote.scanHistory = {scanAt("2026-03-14T08:00:00.000Z", "remote"), scanAt("2026-03-14T07:00:00.000Z", "remote")};
    remote.lastCompleteSlackScanAt = "2026-03-14T08:00:00.000Z";
    remote.dismissedCandidateKeys = {"k3", "k1"};

    const TallowinDocument merged = TallowinSyncMerge::reconcile(nullptr, local, remote);
    EXPECT_EQ(merged.version, 2);
    EXPECT_EQ(merged.revision, 7);
    EXPECT_EQ(merged.title, "Remote deck");
    EXPECT_EQ(merged.updatedAt, later);
    ASSERT_EQ(merged.tasks.size(), 2u);
    EXPECT_EQ(merged.lastSlackScan, local.lastSlackScan);
    const std::vector<ScanReport> history = {scanAt("2026-03-14T07:00:00.000Z", "remote"),
        scanAt("2026-03-14T08:00:00.000Z", "local"), scanAt("2026-03-14T08:30:00.000Z", "local")};
    EXPECT_EQ(merged.scanHistory, history);
    EXPECT_EQ(merged.lastCompleteSlackScanAt, "2026-03-14T08:30:00.000Z");
    EXPECT_EQ(merged.dismissedCandidateKeys, (std::vector<std::string> {"k1", "k2", "k3"}));

    // On equal finish times the local report stays, whichever deck is newer.
    remote.lastSlackScan = scanAt("2026-03-14T08:30:00.000Z", "remote last");
    EXPECT_EQ(TallowinSyncMerge::reconcile(nullptr, local, remote).lastSlackScan, local.lastSlackScan);
    EXPECT_EQ(TallowinSyncMerge::reconcile(nullptr, remote, local).lastSlackScan, remote.lastSlackScan);
}

TEST(TallowinSyncMergeTest, cardsAreSortedByOrderThenIDAndNoneIsDropped)
{
    const TallowinDocument base = deckAt(test::fixedTime, {test::makeTask("KB-002", 1), test::makeTask("KB-001", 5)});
    TallowinDocument local = base;
    local.tasks.push_back(test::makeTask("KB-010", 1));
    local.updatedAt = earlier;
    TallowinDocument remote = base;
    remote.tasks.erase(remote.tasks.begin());
    remote.tasks.push_back(test::makeTask("KB-003", 0));
    remote.updatedAt = later;

    const TallowinDocument merged = TallowinSyncMerge::reconcile(&base, local, remote);
    std::vector<std::string> ids;
    for (const TaskItem &task : merged.tasks)
        ids.push_back(task.id);
    EXPECT_EQ(ids, (std::vector<std::string> {"KB-003", "KB-002", "KB-010", "KB-001"}));
}

TEST(TallowinSyncMergeTest, equalUpdateTimesPreferTheDeckWithTheSmallerCanonicalJSON)
{
    TallowinDocument slash = deckAt(later, {test::makeTask("KB-001")});
    slash.title = "Deck/1";
    TallowinDocument letter = slash;
    letter.title = "DeckA";
    // "Deck\/1" sorts after "DeckA"; the revisions do not take part.
    slash.revision = 1;
    letter.revision = 99;
    EXPECT_EQ(TallowinSyncMerge::reconcile(&slash, slash, letter).title, "DeckA");
    EXPECT_EQ(TallowinSyncMerge::reconcile(&slash, letter, slash).title, "DeckA");
}

TEST(TallowinSyncMergeTest, theCanonicalDeckJSONIsTheCompactEncodingWithRevisionZero)
{
    TallowinDocument deck = bench::generateDeck(60, 7);
    ASSERT_TRUE(deck.lastSlackScan && deck.runID && deck.runProcessedIDs && deck.lastCompleteSlackScanAt);
    deck.revision = 12;
    TallowinDocument atZero = deck;
    atZero.revision = 0;
    const std::string expected = TallowinDocumentJson::encode(atZero, JsonLayout::compact, JsonSlashes::escaped);
    EXPECT_EQ(TallowinSyncMerge::canonicalJSON(deck), expected);

    const TallowinDocument bare = test::makeDocument();
    EXPECT_EQ(TallowinSyncMerge::canonicalJSON(bare),
        R"({"dismissedCandidateKeys":[],"pendingCandidates":[],"revision":0,"scanHistory":[],"tasks":[],)"
        R"("title":"Tallowin","updatedAt":"2026-03-14T09:26:53.589Z","version":2})");
}

TEST(TallowinSyncMergeTest, invalidInputsAndResultsAreRefusedWithTheirValidationError)
{
    const TallowinDocument valid = deckAt(earlier, {test::makeTask("KB-001")});
    TallowinDocument duplicateCards = deckAt(later, {test::makeTask("KB-007"), test::makeTask("KB-007")});
    TallowinDocument badTime = deckAt(later, {test::makeTask("KB-001")});
    badTime.tasks.front().createdAt = "yesterday";

    const auto errorOf = [](const TallowinDocument &local, const TallowinDocument &remote) {
        try {
            TallowinSyncMerge::reconcile(nullptr, local, remote);
        } catch (const TallowinValidationError &error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(errorOf(duplicateCards, valid), "Tallowin contains duplicate task ID KB-007.");
    EXPECT_EQ(errorOf(valid, badTime), "Tallowin contains an invalid timestamp: yesterday.");
    EXPECT_EQ(errorOf(duplicateCards, badTime), "Tallowin contains duplicate task ID KB-007.");

    // Each side is valid alone, but their new cards share a history ID.
    TallowinDocument local = valid;
    local.tasks.push_back(test::makeTask("KB-020", 2));
    local.tasks.back().history.push_back(test::makeEvent("h1"));
    TallowinDocument remote = valid;
    remote.updatedAt = later;
    remote.tasks.push_back(test::makeTask("KB-021", 3));
    remote.tasks.back().history.push_back(test::makeEvent("h1"));
    EXPECT_EQ(errorOf(local, remote), "Tallowin contains duplicate history ID h1.");
}

TEST(TallowinSyncMergeTest, aLegacyIDNamingDifferentCardsStopsTheMergeAndLeavesBothSides)
{
    TaskItem mine = test::makeTask("ts-1700000000123");
    TaskItem theirs = mine;
    theirs.title = "Another card";
    theirs.createdAt = "2026-03-14T09:30:00.000Z";
    const TallowinDocument local = deckAt(earlier, {mine, test::makeTask("KB-001", 1)});
    const TallowinDocument remote = deckAt(later, {theirs, test::makeTask("KB-002", 2)});
    const TallowinDocument localBefore = local;
    const TallowinDocument remoteBefore = remote;

    if (const auto error = EXPECT_THROW_SENTENCE(TallowinSyncError,
            "Task ID ts-1700000000123 belongs to different records on these devices. Both task lists are unchanged. "
            "Resolve the legacy ID conflict before syncing.",
            TallowinSyncMerge::reconcile(nullptr, local, remote))) {
        EXPECT_EQ(error->kind(), TallowinSyncError::Kind::unavailable);
        EXPECT_EQ(*error, TallowinSyncError::unavailable(error->what()));
    }
    EXPECT_EQ(local, localBefore);
    EXPECT_EQ(remote, remoteBefore);

    // The same creation time means the same card; other ID forms are never refused.
    theirs.createdAt = mine.createdAt;
    EXPECT_NO_THROW(TallowinSyncMerge::reconcile(nullptr, local, deckAt(later, {theirs})));
    TaskItem numbered = test::makeTask("KB-001");
    TaskItem numberedElsewhere = numbered;
    numberedElsewhere.createdAt = "2026-03-14T09:30:00.000Z";
    numberedElsewhere.updatedAt = later;
    const TallowinDocument merged
        = TallowinSyncMerge::reconcile(nullptr, deckAt(earlier, {numbered}), deckAt(later, {numberedElsewhere}));
    EXPECT_EQ(merged.tasks, std::vector<TaskItem> {numberedElsewhere});
}

TEST(TallowinSyncMergeTest, legacyIDsAreTsAndNumericCharacters)
{
    EXPECT_TRUE(TallowinSyncMerge::isLegacyID("ts-1700000000123"));
    EXPECT_TRUE(TallowinSyncMerge::isLegacyID("ts-\u0661\u0662\u0663")); // Arabic-Indic digits
    EXPECT_TRUE(TallowinSyncMerge::isLegacyID("ts-\u2167\u00BD")); // Roman numeral eight, one half
    EXPECT_TRUE(TallowinSyncMerge::isLegacyID("ts-1\u0301")); // a combining mark belongs to its digit
    EXPECT_FALSE(TallowinSyncMerge::isLegacyID("ts-"));
    EXPECT_FALSE(TallowinSyncMerge::isLegacyID("ts-12a"));
    EXPECT_FALSE(TallowinSyncMerge::isLegacyID("ts--12"));
    EXPECT_FALSE(TallowinSyncMerge::isLegacyID("TS-12"));
    EXPECT_FALSE(TallowinSyncMerge::isLegacyID("ts-\u03011"));
    EXPECT_FALSE(TallowinSyncMerge::isLegacyID("KB-001"));
}

// Two devices editing copies of one generated deck, with conflicting edits to the same cards.
struct TwoDevices
{
    TallowinDocument base = bench::generateDeck(300, 20260314);
    TallowinDocument a = base;
    TallowinDocument b = base;

    TwoDevices()
    {
        for (std::size_t index = 0; index < base.tasks.size(); index += 7) {
            TaskItem &onA = a.tasks[index];
            TaskItem &onB = b.tasks[index];
            onA.title += " / edited on A";
            onA.updatedAt = "2030-01-01T10:00:00.000Z";
            onB.title += " / edited on B";
            onB.person = "Someone on B";
            // Every third shared edit happens at the same moment, so content alone decides.
            onB.updatedAt = index % 3 == 0 ? onA.updatedAt : "2030-01-01T11:00:00.000Z";
            if (index % 2 == 0)
                b.tasks[index + 1].context += " More from B.";
        }
        a.tasks.push_back(test::makeTask("KB-A-new", 0));
        b.tasks.push_back(test::makeTask("KB-B-new", 0));
        b.tasks.back().state = TaskState::actionRequested;
        a.updatedAt = b.updatedAt = "2030-01-01T12:00:00.000Z";
        a.title = "Deck A";
        b.title = "Deck B";
        a.revision = 40;
        b.revision = 41;
    }
};

TEST(TallowinSyncMergeTest, bothDevicesMergeToTheSameDeckWithTheSameConflictEvents)
{
    const TwoDevices devices;
    const TallowinDocument onA = TallowinSyncMerge::reconcile(&devices.base, devices.a, devices.b);
    const TallowinDocument onB = TallowinSyncMerge::reconcile(&devices.base, devices.b, devices.a);

    EXPECT_EQ(onA.revision, 40);
    EXPECT_EQ(onB.revision, 41);
    EXPECT_TRUE(TallowinSyncMerge::equivalent(onA, onB));
    EXPECT_EQ(conflictIDs(onA), conflictIDs(onB));
    EXPECT_EQ(conflictIDs(onA).size(), (devices.base.tasks.size() + 6) / 7);

    // B still holding its own edits receives A's result: the conflicts are already recorded.
    const TallowinDocument fromA = TallowinSyncMerge::reconcile(&devices.base, devices.b, onA);
    EXPECT_EQ(conflictIDs(fromA), conflictIDs(onA));
}

} // namespace
} // namespace tallowin
