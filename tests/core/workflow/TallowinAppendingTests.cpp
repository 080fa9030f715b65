#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/workflow/TallowinAppending.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::isLowercaseUUID;
using test::makeDocument;
using test::makeTask;

using IDs = std::vector<std::string>;

const std::string nowText = "2026-03-20T12:00:00.000Z";

TallowinDocument appended(const TallowinDocument &document, const std::vector<TaskContract> &contracts)
{
    const TallowinDocument before = document;
    TallowinDocument result = TallowinAppending::appending(document, contracts, nowText);
    EXPECT_EQ(document, before) << "the input stays as it was";
    EXPECT_EQ(result.updatedAt, document.updatedAt);
    EXPECT_EQ(result.revision, document.revision);
    return result;
}

template<typename Error>
std::string failure(const TallowinDocument &document, const std::vector<TaskContract> &contracts)
{
    const TallowinDocument before = document;
    try {
        TallowinAppending::appending(document, contracts, nowText);
    } catch (const Error &error) {
        EXPECT_EQ(document, before);
        return error.what();
    }
    return "no error";
}

TaskContract contract(const std::string &id, const std::string &title = "Title")
{
    TaskContract result;
    result.id = id;
    result.person = "Ada";
    result.title = title;
    result.context = "Context";
    result.kind = TaskKind::check;
    result.sources = {TaskSource {"PR", "https://example.com/pr/1", std::nullopt, std::nullopt, std::nullopt}};
    return result;
}

TEST(TallowinAppending, CreatesThenUpdatesACard)
{
    const auto document = makeDocument({makeTask("KB-001", 7), makeTask("KB-002", 3)});
    TaskContract create = contract(" KB-X ", "  First ");
    create.instruction = "Ask for the numbers";
    const auto result = appended(document, {create, contract("KB-X", "Second")});

    ASSERT_EQ(result.tasks.size(), 3u);
    const TaskItem &task = result.tasks[2];
    ASSERT_EQ(task.history.size(), 2u);
    TaskItem expected;
    expected.id = "KB-X";
    expected.order = 8;
    expected.person = "Ada";
    expected.title = "Second";
    expected.context = "Context";
    expected.kind = TaskKind::check;
    expected.state = TaskState::active;
    expected.sources = create.sources;
    expected.history = {TaskHistoryEvent {task.history[0].id, nowText, "pipeline_created", "Added by pipeline input."},
        TaskHistoryEvent {task.history[1].id, nowText, "pipeline_updated", "Updated by pipeline input."}};
    expected.createdAt = nowText;
    expected.updatedAt = nowText;
    EXPECT_EQ(task, expected) << "the update cleared the instruction; the card stays active";
    EXPECT_TRUE(isLowercaseUUID(task.history[0].id));
    EXPECT_TRUE(isLowercaseUUID(task.history[1].id));
    EXPECT_NE(task.history[0].id, task.history[1].id);
}

TEST(TallowinAppending, NewCardWithInstructionStaysActive)
{
    TaskContract create = contract("KB-1");
    create.instruction = "Reply";
    const auto result = appended(makeDocument(), {create});
    EXPECT_EQ(result.tasks[0].state, TaskState::active);
    EXPECT_EQ(result.tasks[0].instruction, "Reply");
    EXPECT_EQ(result.tasks[0].order, 1) << "an empty deck starts at 1";
}

TEST(TallowinAppending, UpdateReplacesOnlyTheContractFields)
{
    TaskItem original = makeTask("KB-001", 4, TaskState::delayed);
    original.delayTarget = "custom";
    original.result = "Half done";
    original.highlighted = true;
    original.sources = {TaskSource {"PR", "https://example.com/pr/1", "url:https://example.com/pr/1", test::fixedTime,
        "url:https://example.com/pr/1|x"}};
    auto document = makeDocument({original});
    document.runID = "run";
    document.runTaskIDs = IDs {};

    TaskContract update = contract("KB-001", "Renamed");
    update.kind = TaskKind::dependency;
    const auto result = appended(document, {update});
    TaskItem expected = original;
    expected.person = "Ada";
    expected.title = "Renamed";
    expected.context = "Context";
    expected.kind = TaskKind::dependency;
    expected.sources = update.sources;
    expected.updatedAt = nowText;
    ASSERT_EQ(result.tasks[0].history.size(), 1u);
    expected.history
        = {TaskHistoryEvent {result.tasks[0].history[0].id, nowText, "pipeline_updated", "Updated by pipeline input."}};
    EXPECT_EQ(result.tasks[0], expected) << "sources are replaced whole, resolution included";
    EXPECT_EQ(result.runTaskIDs, IDs {}) << "an update does not touch the run";
}

TEST(TallowinAppending, EqualContractChangesNothing)
{
    TaskItem original = makeTask("KB-001", 1);
    const TaskContract same = contract("KB-001", "Title");
    original.person = same.person;
    original.title = same.title;
    original.context = same.context;
    original.kind = same.kind;
    original.sources = same.sources;
    const auto document = makeDocument({original});

    TaskContract padded = same;
    padded.title = " Title\n";
    padded.context = "Context  ";
    EXPECT_EQ(appended(document, {padded}), document);
}

TEST(TallowinAppending, NewCardsGetConsecutiveOrdersAndJoinAnOpenRun)
{
    auto document = makeDocument({makeTask("KB-001", -5)});
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001"};

    auto result = appended(document, {contract("KB-B"), contract("KB-A")});
    EXPECT_EQ(result.tasks[1].id, "KB-B");
    EXPECT_EQ(result.tasks[1].order, -4) << "after the largest order, even a negative one";
    EXPECT_EQ(result.tasks[2].order, -3);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-B", "KB-A"}));

    document.runTaskIDs.reset();
    result = appended(document, {contract("KB-B")});
    EXPECT_EQ(result.runTaskIDs, std::nullopt) << "a run ID without run cards gets none";
}

TEST(TallowinAppending, QueuedInstructionIsProtected)
{
    TaskItem queued = makeTask("KB-007", 1, TaskState::actionRequested);
    queued.instruction = "Draft a reply";
    const auto document = makeDocument({queued});

    TaskContract resend = contract("KB-007", "New title");
    resend.instruction = " Draft a reply ";
    const auto result = appended(document, {resend});
    EXPECT_EQ(result.tasks[0].title, "New title");
    EXPECT_EQ(result.tasks[0].state, TaskState::actionRequested) << "a contract never changes the state";

    TaskContract change = contract("KB-007");
    change.instruction = "Call instead";
    const std::string message = "Pipeline input cannot replace the queued agent instruction for KB-007.";
    EXPECT_EQ(failure<TaskContractError>(document, {contract("KB-100"), resend, change}), message)
        << "the whole call fails, also for valid contracts before it";
    change.instruction = "";
    EXPECT_EQ(failure<TaskContractError>(document, {change}), message) << "clearing it is a change too";
}

TEST(TallowinAppending, EveryContractIsValidatedFirst)
{
    TaskContract bad = contract("KB-2");
    bad.schemaVersion = 2;
    EXPECT_EQ(failure<TaskContractError>(makeDocument(), {contract("KB-1"), bad}),
        "Task contract schema version 2 is not supported.");
}

TEST(TallowinAppending, DuplicateCardIDsFailUnlessThereIsNothingToApply)
{
    const auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-001", 2)});
    EXPECT_EQ(appended(document, {}), document);
    EXPECT_EQ(
        failure<TallowinValidationError>(document, {contract("KB-9")}), "Tallowin contains duplicate task ID KB-001.");
}

TEST(TallowinAppending, ResultIsNotValidated)
{
    auto document = makeDocument({makeTask("KB-001", 1)});
    document.tasks[0].createdAt = "2026-01-02";
    const auto result = appended(document, {contract("KB-002")});
    EXPECT_EQ(result.tasks.size(), 2u);
}

} // namespace
} // namespace tallowin
