#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tallowin {
namespace {

constexpr const char *baseTime = test::fixedTime; // 2026-03-14T09:26:53.589Z
constexpr const char *earlier = "2026-03-14T10:00:00.000Z";
constexpr const char *later = "2026-03-14T11:00:00.000Z";

// A deck holding the card as KB-001 and an untouched second card, so that no side is ever empty.
TallowinDocument deckWith(const TaskItem &card, const std::string &updatedAt)
{
    TallowinDocument deck = test::makeDocument({card, test::makeTask("KB-002", 1)});
    deck.updatedAt = updatedAt;
    return deck;
}

TaskItem edited(TaskItem card, const std::string &updatedAt)
{
    card.updatedAt = updatedAt;
    return card;
}

// The merged KB-001 of base, local and remote versions of it.
TaskItem mergedCard(const TaskItem *base, const TaskItem &local, const TaskItem &remote)
{
    const TallowinDocument localDeck = deckWith(local, local.updatedAt);
    const TallowinDocument remoteDeck = deckWith(remote, remote.updatedAt);
    const TallowinDocument merged = base
        ? TallowinSyncMerge::reconcile(deckWith(*base, baseTime), localDeck, remoteDeck)
        : TallowinSyncMerge::reconcile(nullptr, localDeck, remoteDeck);
    const auto found = std::find_if(
        merged.tasks.begin(), merged.tasks.end(), [](const TaskItem &task) { return task.id == "KB-001"; });
    if (found == merged.tasks.end())
        throw std::logic_error("merged deck lost KB-001");
    return *found;
}

std::vector<TaskHistoryEvent> conflictsOf(const TaskItem &card)
{
    std::vector<TaskHistoryEvent> conflicts;
    std::copy_if(card.history.begin(), card.history.end(), std::back_inserter(conflicts),
        [](const TaskHistoryEvent &event) { return event.type == "sync_conflict"; });
    return conflicts;
}

class TallowinSyncMergeTaskTest : public ::testing::Test
{
protected:
    TaskItem base = test::makeTask("KB-001");
};

TEST_F(TallowinSyncMergeTaskTest, anEditOnOneSideWinsWithoutNoteEvenWhenTheOtherSideIsNewer)
{
    TaskItem local = edited(base, earlier);
    local.title = "Local title";
    local.state = TaskState::completed;
    local.result = "Done.";
    // The remote card was only touched: newer, so preferred, but all its fields are the base's.
    const TaskItem remote = edited(base, later);

    const TaskItem merged = mergedCard(&base, local, remote);
    EXPECT_EQ(merged.title, "Local title");
    EXPECT_EQ(merged.state, TaskState::completed);
    EXPECT_EQ(merged.result, "Done.");
    EXPECT_EQ(merged.updatedAt, later);
    EXPECT_TRUE(conflictsOf(merged).empty());

    // And the other way round: the edit is remote and the untouched local side is newer.
    const TaskItem mirrored = mergedCard(&base, remote, local);
    EXPECT_EQ(mirrored, merged);
}

TEST_F(TallowinSyncMergeTaskTest, editsOfDifferentFieldsOnBothSidesCombine)
{
    TaskItem local = edited(base, earlier);
    local.context = "Local context";
    local.state = TaskState::delayed;
    local.resumeAt = "2026-03-20T08:00:00.000Z";
    local.delayTarget = "custom";
    TaskItem remote = edited(base, later);
    remote.person = "Bea";
    remote.kind = TaskKind::waitingOn;

    const TaskItem merged = mergedCard(&base, local, remote);
    EXPECT_EQ(merged.context, "Local context");
    EXPECT_EQ(merged.person, "Bea");
    EXPECT_EQ(merged.kind, TaskKind::waitingOn);
    EXPECT_EQ(TallowinSyncMerge::Workflow::of(merged), TallowinSyncMerge::Workflow::of(local));
    EXPECT_TRUE(conflictsOf(merged).empty());
}

TEST_F(TallowinSyncMergeTaskTest, aTitleChangedOnBothSidesKeepsTheNewerAndRecordsTheOther)
{
    base.title = "Plan";
    TaskItem local = edited(base, earlier);
    local.title = "Plan A";
    TaskItem remote = edited(base, later);
    remote.title = "Plan B";

    const TaskItem merged = mergedCard(&base, local, remote);
    EXPECT_EQ(merged.title, "Plan B");
    EXPECT_EQ(merged.updatedAt, later);
    ASSERT_EQ(merged.history.size(), 1u);
    const TaskHistoryEvent &event = merged.history.back();
    EXPECT_EQ(event.type, "sync_conflict");
    EXPECT_EQ(event.at, later);
    EXPECT_EQ(event.note, "Title: kept Plan B; other edit: Plan A");
    // SHA-256 of "KB-001", the merged updatedAt and the note, as computed by sha256sum.
    EXPECT_EQ(event.id, "sync-2d1ac1a27dddf4adff7ca0d9b904e7f83bca6e232d02e6abd85d67b9aa6e017d");
}

TEST_F(TallowinSyncMergeTaskTest, aConflictAlreadyRecordedByTheOtherDeviceIsNotRecordedTwice)
{
    base.title = "Plan";
    TaskItem local = edited(base, earlier);
    local.title = "Plan A";
    TaskItem remote = edited(base, later);
    remote.title = "Plan B";
    // The other device merged first and synced its result; this device still holds its own edit.
    const TaskItem mergedThere = mergedCard(&base, remote, local);
    const TaskItem mergedHere = mergedCard(&base, local, mergedThere);

    EXPECT_EQ(mergedHere.title, "Plan B");
    EXPECT_EQ(conflictsOf(mergedHere), conflictsOf(mergedThere));
    EXPECT_EQ(conflictsOf(mergedHere).size(), 1u);
}

TEST_F(TallowinSyncMergeTaskTest, everyFieldConflictIsNotedWithItsLabelAndPlainValues)
{
    struct Case
    {
        const char *name;
        void (*localEdit)(TaskItem &);
        void (*remoteEdit)(TaskItem &);
        const char *note;
    };
    const Case cases[] = {
        {"person", [](TaskItem &t) { t.person = "Ann"; }, [](TaskItem &t) { t.person = "Bea"; },
            "Person: kept Bea; other edit: Ann"},
        {"context", [](TaskItem &t) { t.context = "Left"; }, [](TaskItem &t) { t.context = "Right"; },
            "Context: kept Right; other edit: Left"},
        {"kind", [](TaskItem &t) { t.kind = TaskKind::atRisk; }, [](TaskItem &t) { t.kind = TaskKind::waitingOn; },
            "Kind: kept waitingOn; other edit: atRisk"},
        {"instruction", [](TaskItem &t) { t.instruction = "Draft it"; }, [](TaskItem &t) { t.instruction = "Send it"; },
            "Instruction: kept Send it; other edit: Draft it"},
        {"followUpPerson", [](TaskItem &t) { t.followUpPerson = "Ann"; }, [](TaskItem &t) { t.followUpPerson = "Bea"; },
            "Follow-up person: kept Optional(\"Bea\"); other edit: Optional(\"Ann\")"},
        {"followUpPerson removed", [](TaskItem &t) { t.followUpPerson = "Ann"; },
            [](TaskItem &t) { t.followUpPerson.reset(); }, "Follow-up person: kept nil; other edit: Optional(\"Ann\")"},
        {"highlighted", [](TaskItem &t) { t.highlighted = false; }, [](TaskItem &t) { t.highlighted = true; },
            "Highlighted: kept Optional(true); other edit: Optional(false)"},
        {"decision",
            [](TaskItem &t) {
                t.state = TaskState::completed;
                t.result = "Shipped it.";
            },
            [](TaskItem &t) { t.state = TaskState::actionRequested; },
            "Task decision: kept action_requested; other decision: completed. Other result: Shipped it."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        base.followUpPerson = "Cy";
        TaskItem local = edited(base, earlier);
        c.localEdit(local);
        TaskItem remote = edited(base, later);
        c.remoteEdit(remote);

        const TaskItem merged = mergedCard(&base, local, remote);
        ASSERT_EQ(conflictsOf(merged).size(), 1u);
        EXPECT_EQ(conflictsOf(merged).front().note, c.note);
        TaskItem expected = remote;
        expected.history = merged.history;
        EXPECT_EQ(merged, expected);
    }
}

TEST_F(TallowinSyncMergeTaskTest, withoutBaseEveryDifferenceIsAConflictInFieldOrderThenTheDecision)
{
    TaskItem local = edited(base, earlier);
    local.person = "Ann";
    local.state = TaskState::delayed;
    local.resumeAt = "2026-03-20T08:00:00.000Z";
    TaskItem remote = edited(base, later);
    remote.person = "Bea";
    remote.highlighted = true;
    remote.state = TaskState::completed;

    const TaskItem merged = mergedCard(nullptr, local, remote);
    ASSERT_EQ(merged.history.size(), 1u);
    EXPECT_EQ(merged.history.front().note,
        "Person: kept Bea; other edit: Ann\n"
        "Highlighted: kept Optional(true); other edit: nil\n"
        "Task decision: kept completed; other decision: delayed. Other result: ");
    EXPECT_EQ(merged.history.front().id, "sync-9223c416f457a77896ce6cd20cf2926eaead8d6bed44da136a560d9d6d36c549");
    EXPECT_EQ(merged.state, TaskState::completed);
    EXPECT_FALSE(merged.resumeAt);
}

TEST_F(TallowinSyncMergeTaskTest, followUpPeopleAddedOnBothSidesWithoutBaseAreNotedInDebugForm)
{
    TaskItem local = edited(base, later);
    local.followUpPerson = "Ann";
    TaskItem remote = edited(base, earlier);
    remote.followUpPerson = "Bea";

    const TaskItem merged = mergedCard(nullptr, local, remote);
    EXPECT_EQ(merged.followUpPerson, "Ann");
    ASSERT_EQ(merged.history.size(), 1u);
    EXPECT_EQ(merged.history.front().note, "Follow-up person: kept Optional(\"Ann\"); other edit: Optional(\"Bea\")");
}

TEST_F(TallowinSyncMergeTaskTest, equalUpdateTimesPreferTheSmallerCanonicalJSONWithEscapedSlashes)
{
    TaskItem slash = edited(base, later);
    slash.title = "a/b";
    TaskItem letter = edited(base, later);
    letter.title = "aAb";
    // Written as "a\/b", the slash version sorts after "aAb" ('\' > 'A'); unescaped it would sort first.
    EXPECT_NE(TallowinSyncMerge::canonicalJSON(slash).find(R"("title":"a\/b")"), std::string::npos);

    for (const bool slashIsLocal : {true, false}) {
        SCOPED_TRACE(slashIsLocal ? "slash local" : "slash remote");
        const TaskItem merged = slashIsLocal ? mergedCard(nullptr, slash, letter) : mergedCard(nullptr, letter, slash);
        EXPECT_EQ(merged.title, "aAb");
        ASSERT_EQ(merged.history.size(), 1u);
        EXPECT_EQ(merged.history.front().note, "Title: kept aAb; other edit: a/b");
    }
}

TEST_F(TallowinSyncMergeTaskTest, historiesAreUnitedByIDAndSortedByTimeThenID)
{
    TaskItem local = edited(base, earlier);
    local.history
        = {test::makeEvent("h2", earlier, "note", "Local two"), test::makeEvent("h1", baseTime, "note", "Local one")};
    TaskItem remote = edited(base, later);
    remote.history = {test::makeEvent("h1", baseTime, "note", "Remote one"),
        test::makeEvent("h0", later, "note", "Remote zero"), test::makeEvent("h3", baseTime, "note", "Remote three")};

    const TaskItem merged = mergedCard(&base, local, remote);
    const std::vector<TaskHistoryEvent> expected = {test::makeEvent("h1", baseTime, "note", "Local one"),
        test::makeEvent("h3", baseTime, "note", "Remote three"), test::makeEvent("h2", earlier, "note", "Local two"),
        test::makeEvent("h0", later, "note", "Remote zero")};
    EXPECT_EQ(merged.history, expected);
}

TEST_F(TallowinSyncMergeTaskTest, sourcesAreUnitedByURLWithThePreferredVersionFirstAndSortedByURL)
{
    const auto link = [](const std::string &label, const std::string &url) {
        return TaskSource {label, url, std::nullopt, std::nullopt, std::nullopt};
    };
    TaskItem local = edited(base, earlier);
    local.sources = {link("older", "https://b.example/2"), link("only local", "https://c.example/3")};
    TaskItem remote = edited(base, later);
    remote.sources = {link("newer", "https://b.example/2"), link("only remote", "https://a.example/1")};

    const TaskItem merged = mergedCard(&base, local, remote);
    const std::vector<TaskSource> expected = {link("only remote", "https://a.example/1"),
        link("newer", "https://b.example/2"), link("only local", "https://c.example/3")};
    EXPECT_EQ(merged.sources, expected);
}

} // namespace
} // namespace tallowin
