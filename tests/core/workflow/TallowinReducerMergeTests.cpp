#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::instantAt;
using test::isLowercaseUUID;
using test::makeDocument;
using test::makeTask;

using IDs = std::vector<std::string>;

constexpr const char *nowText = "2026-03-20T12:00:00.000Z";

TallowinDocument merged(const TallowinDocument &document, const std::string &primaryID,
    std::set<std::string> selectedIDs, const std::string &title = "")
{
    const TallowinDocument before = document;
    TallowinDocument result = TallowinReducer::apply(
        TallowinCommand::mergeTasks(primaryID, std::move(selectedIDs), title), document, instantAt(nowText));
    EXPECT_EQ(document, before) << "the input stays as it was";
    EXPECT_EQ(result.updatedAt, nowText);
    EXPECT_EQ(result.tasks.size(), document.tasks.size() + 1);
    return result;
}

TaskSource source(const std::string &url, const std::string &label)
{
    return TaskSource {label, url, std::nullopt, std::nullopt, std::nullopt};
}

// Tasks in document order KB-002, KB-003, KB-001, KB-004; all but KB-004 are merged with KB-003 as the primary.
TallowinDocument threeCardDeck()
{
    TaskItem second = makeTask("KB-002", 4, TaskState::completed);
    second.person = "Bo";
    second.title = "Draft";
    second.context = "First draft";
    second.sources = {source("https://example.com/a", "A"), source("https://example.com/b", "B")};
    second.highlighted = false;
    TaskItem primary = makeTask("KB-003", 9, TaskState::delayed);
    primary.person = "Ada";
    primary.title = "Plan";
    primary.context = "Quarter plan";
    primary.kind = TaskKind::decision;
    primary.delayTarget = "tomorrow";
    primary.sources = {source("https://example.com/b", "B again"), source("https://example.com/c", "C")};
    primary.highlighted = true;
    TaskItem first = makeTask("KB-001", 2, TaskState::actionRequested);
    first.person = "Cy";
    first.title = "Budget";
    first.context = "";
    first.history = {test::makeEvent("h1")};
    return makeDocument({second, primary, first, makeTask("KB-004", 1)});
}

TEST(TallowinReducerMerge, BuildsTheSharedCard)
{
    const auto document = threeCardDeck();
    const auto result = merged(document, "KB-003", {"KB-001", "KB-002"}, "  ");

    const TaskItem &shared = result.tasks.back();
    EXPECT_EQ(shared.id.substr(0, 3), "KB-");
    EXPECT_TRUE(isLowercaseUUID(shared.id.substr(3))) << shared.id;
    ASSERT_EQ(shared.history.size(), 1u);
    EXPECT_TRUE(isLowercaseUUID(shared.history[0].id));

    TaskItem expected;
    expected.id = shared.id;
    expected.order = 10;
    expected.person = "Shared";
    expected.title = "Plan";
    expected.context = "Bo: Draft\nFirst draft\n\nAda: Plan\nQuarter plan\n\nCy: Budget\n";
    expected.kind = TaskKind::decision;
    expected.state = TaskState::active;
    expected.highlighted = true;
    expected.sources = {document.tasks[0].sources[0], document.tasks[0].sources[1], document.tasks[1].sources[1]};
    expected.history = {TaskHistoryEvent {shared.history[0].id, nowText, "merge_created", "Created from 3 tasks."}};
    expected.mergedTaskIDs = IDs {"KB-001", "KB-002", "KB-003"};
    expected.createdAt = nowText;
    expected.updatedAt = nowText;
    EXPECT_EQ(shared, expected);
}

TEST(TallowinReducerMerge, AbsorbsEverySelectedCard)
{
    auto document = threeCardDeck();
    document.tasks[3].state = TaskState::removed;
    const auto result = merged(document, "KB-003", {"KB-001", "KB-002", "KB-004"}, "  Q3 plan \n");
    const TaskItem &shared = result.tasks.back();
    EXPECT_EQ(shared.title, "Q3 plan");
    EXPECT_EQ(shared.history[0].note, "Created from 3 tasks.") << "a removed card is absorbed but not counted";
    EXPECT_EQ(shared.mergedTaskIDs, (IDs {"KB-001", "KB-002", "KB-003"}));

    for (std::size_t index = 0; index < document.tasks.size(); ++index) {
        const TaskItem &task = result.tasks[index];
        ASSERT_EQ(task.history.size(), document.tasks[index].history.size() + 1) << task.id;
        TaskItem expected = document.tasks[index];
        expected.state = TaskState::merged;
        expected.mergedInto = shared.id;
        expected.resumeAt.reset();
        expected.delayTarget.reset();
        expected.updatedAt = nowText;
        expected.history.push_back(
            TaskHistoryEvent {task.history.back().id, nowText, "merged_into", "Merged into " + shared.id + "."});
        EXPECT_TRUE(isLowercaseUUID(task.history.back().id));
        EXPECT_EQ(task, expected);
    }
}

TEST(TallowinReducerMerge, HighlightIsTrueOrAbsent)
{
    auto document = threeCardDeck();
    document.tasks[1].highlighted = false;
    const auto result = merged(document, "KB-002", {"KB-003"});
    EXPECT_EQ(result.tasks.back().highlighted, std::nullopt);
    EXPECT_EQ(result.tasks.back().title, "Draft");
    EXPECT_EQ(result.tasks.back().kind, TaskKind::commitment) << "the primary's kind";
}

TEST(TallowinReducerMerge, SharedCardReplacesTheFirstMergedCardInTheRun)
{
    auto document = threeCardDeck();
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001", "KB-004", "KB-003", "KB-002"};
    document.runProcessedIDs = IDs {"KB-004", "KB-003"};

    auto result = merged(document, "KB-003", {"KB-001", "KB-002"});
    const std::string &sharedID = result.tasks.back().id;
    EXPECT_EQ(result.runTaskIDs, (IDs {sharedID, "KB-004"}));
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-004"})) << "the shared card starts unprocessed";

    document.runTaskIDs = IDs {"KB-004"};
    document.runProcessedIDs.reset();
    result = merged(document, "KB-003", {"KB-002"});
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-004", result.tasks.back().id})) << "appended when none was in the run";
    EXPECT_EQ(result.runProcessedIDs, IDs {}) << "written back, present";

    document.runTaskIDs.reset();
    result = merged(document, "KB-003", {"KB-002"});
    EXPECT_EQ(result.runTaskIDs, std::nullopt);
    EXPECT_EQ(result.runProcessedIDs, std::nullopt);
}

TEST(TallowinReducerMerge, NeedsAPrimaryAndARelatedCard)
{
    auto document = threeCardDeck();
    document.tasks[0].state = TaskState::removed;
    document.tasks[2].state = TaskState::merged;
    document.tasks[2].mergedInto = "KB-004";
    const TallowinDocument before = document;

    const auto message = [&](const std::string &primaryID, std::set<std::string> selectedIDs) -> std::string {
        try {
            TallowinReducer::apply(
                TallowinCommand::mergeTasks(primaryID, std::move(selectedIDs), "Title"), document, instantAt(nowText));
        } catch (const TallowinDomainError &error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(message("KB-404", {"KB-003", "KB-004"}), "Task KB-404 was not found.");
    EXPECT_EQ(message("KB-003", {}), "Select at least one related task to merge.");
    EXPECT_EQ(message("KB-003", {"KB-003"}), "Select at least one related task to merge.");
    EXPECT_EQ(message("KB-003", {"KB-002", "KB-001"}), "Select at least one related task to merge.")
        << "removed and merged cards do not count";
    EXPECT_EQ(document, before);
}

} // namespace
} // namespace tallowin
