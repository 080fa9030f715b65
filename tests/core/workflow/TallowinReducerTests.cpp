#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/InPlaceChecks.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace tallowin {
namespace {

using test::instantAt;
using test::isLowercaseUUID;
using test::makeDocument;
using test::makeTask;
using test::withRandomIDsNumbered;

using IDs = std::vector<std::string>;

constexpr const char *nowText = "2026-03-20T12:00:00.000Z";

// Applies the command to the document and to a copy given up to be changed in place; both must give the same deck.
TallowinDocument applied(const TallowinCommand &command, const TallowinDocument &document)
{
    const TallowinDocument before = document;
    TallowinDocument result = TallowinReducer::apply(command, document, instantAt(nowText));
    EXPECT_EQ(document, before) << "the input stays as it was";
    EXPECT_EQ(result.revision, document.revision);

    TallowinDocument given = document;
    const TallowinDocument inPlace = TallowinReducer::apply(command, std::move(given), instantAt(nowText));
    EXPECT_EQ(withRandomIDsNumbered(inPlace), withRandomIDsNumbered(result)) << "in place as on a copy";
    return result;
}

// Applies a command that must fail, on the document and in place, and returns the message; the input must stay as
// it was, and so must a document given up when the command fails before changing anything.
template<typename Error> std::string failure(const TallowinCommand &command, const TallowinDocument &document)
{
    const TallowinDocument before = document;
    std::string message = "no error";
    try {
        TallowinReducer::apply(command, document, instantAt(nowText));
    } catch (const Error &error) {
        EXPECT_EQ(document, before);
        message = error.what();
    }

    TallowinDocument given = document;
    if (const auto error = EXPECT_THROW_SENTENCE(
            Error, message, TallowinReducer::apply(command, std::move(given), instantAt(nowText)))) {
        if constexpr (!std::is_same_v<Error, TallowinValidationError>) {
            EXPECT_EQ(given, before);
        };
    }
    return message;
}

TallowinDocument delayedDeck(const std::string &resumeAt)
{
    TaskItem delayed = makeTask("KB-001", 1, TaskState::delayed);
    delayed.resumeAt = resumeAt;
    delayed.delayTarget = "tomorrow";
    return makeDocument({delayed, makeTask("KB-002", 2)});
}

TEST(TallowinReducerActivateDueTasks, DueAtTheLimitNotBefore)
{
    const auto document = delayedDeck("2026-03-14T10:00:00+01:00");

    const auto early = applied(TallowinCommand::activateDueTasks(instantAt("2026-03-14T08:59:59.999Z")), document);
    EXPECT_EQ(early, document) << "nothing due: the input, updatedAt untouched";

    const auto result = applied(TallowinCommand::activateDueTasks(instantAt("2026-03-14T09:00:00Z")), document);
    const TaskItem &task = result.tasks[0];
    TaskItem expected = document.tasks[0];
    expected.state = TaskState::active;
    expected.resumeAt.reset();
    expected.delayTarget = "nextRun";
    expected.updatedAt = nowText;
    ASSERT_EQ(task.history.size(), 1u);
    EXPECT_TRUE(isLowercaseUUID(task.history[0].id));
    expected.history.push_back(
        TaskHistoryEvent {task.history[0].id, nowText, "resumed", "Returned when its delay expired."});
    EXPECT_EQ(task, expected);
    EXPECT_EQ(result.tasks[1], document.tasks[1]);
    EXPECT_EQ(result.updatedAt, nowText);
    EXPECT_EQ(result.runID, std::nullopt) << "without a run the run fields stay absent";
    EXPECT_EQ(result.runTaskIDs, std::nullopt);
}

TEST(TallowinReducerActivateDueTasks, UnreadableResumeTimeStaysDelayedWithoutValidation)
{
    // The deck itself is invalid; since nothing changes, it is returned without being validated.
    const auto document = delayedDeck("tomorrow");
    EXPECT_EQ(applied(TallowinCommand::activateDueTasks(instantAt("2030-01-01T00:00:00Z")), document), document);
}

TEST(TallowinReducerActivateDueTasks, DueCardsJoinTheOpenRun)
{
    auto document = delayedDeck("2026-03-14T09:00:00.000Z");
    document.tasks.push_back(makeTask("KB-003", 3, TaskState::delayed));
    document.tasks[2].resumeAt = "2026-03-13T09:00:00.000Z";
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-002", "KB-003"};
    document.runProcessedIDs = IDs {"KB-003"};

    const auto due = TallowinCommand::activateDueTasks(instantAt(nowText));
    auto result = applied(due, document);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-002", "KB-003", "KB-001"})) << "listed cards are not listed twice";
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-003"})) << "a card decided in this run stays processed";
    EXPECT_EQ(result.tasks[2].state, TaskState::active);

    document.runTaskIDs.reset();
    document.runProcessedIDs.reset();
    result = applied(due, document);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-003"})) << "document order; an absent list counts as empty";
}

TEST(TallowinReducerMoveToBack, MovesTheCardBehindTheRun)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2), makeTask("KB-003", 3)});
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001", "KB-002", "KB-003"};

    const auto result = applied(TallowinCommand::moveToBack("KB-001"), document);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-002", "KB-003", "KB-001"}));
    EXPECT_EQ(result.runID, "run");
    EXPECT_EQ(result.runProcessedIDs, std::nullopt);
    EXPECT_EQ(result.tasks, document.tasks) << "no card changes and no event is written";
    EXPECT_EQ(result.updatedAt, nowText);

    const auto last = applied(TallowinCommand::moveToBack("KB-003"), document);
    EXPECT_EQ(last, document) << "the last card of the run: nothing changes, updatedAt included";
}

TEST(TallowinReducerMoveToBack, ProcessedOrUnknownCardsAreNotFound)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2), makeTask("KB-003", 3)});
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001", "KB-002"};
    document.runProcessedIDs = IDs {"KB-001"};

    EXPECT_EQ(
        failure<TallowinDomainError>(TallowinCommand::moveToBack("KB-001"), document), "Task KB-001 was not found.");
    EXPECT_EQ(
        failure<TallowinDomainError>(TallowinCommand::moveToBack("KB-003"), document), "Task KB-003 was not found.")
        << "a card outside the run";
}

TEST(TallowinReducerMoveToBack, OpensARunWithoutProcessedList)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2), makeTask("KB-003", 3),
        makeTask("KB-004", 0, TaskState::completed)});
    document.tasks[2].highlighted = true;

    const auto result = applied(TallowinCommand::moveToBack("KB-003"), document);
    ASSERT_TRUE(result.runID.has_value());
    EXPECT_TRUE(isLowercaseUUID(*result.runID));
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-002", "KB-003"})) << "the queue with the card moved last";
    EXPECT_EQ(result.runProcessedIDs, std::nullopt);

    const auto single = makeDocument({makeTask("KB-001", 1)});
    const auto opened = applied(TallowinCommand::moveToBack("KB-001"), single);
    EXPECT_EQ(opened.runTaskIDs, (IDs {"KB-001"})) << "opening the run is a change even when the order is not";
    EXPECT_EQ(opened.updatedAt, nowText);

    EXPECT_EQ(
        failure<TallowinDomainError>(TallowinCommand::moveToBack("KB-004"), document), "Task KB-004 was not found.");
}

TEST(TallowinReducerBeginRun, ActiveCardsByOrderOnly)
{
    auto document = makeDocument({makeTask("KB-005", 5), makeTask("KB-001", 1), makeTask("KB-b", 3),
        makeTask("KB-a", 3), makeTask("KB-d", 0, TaskState::delayed), makeTask("KB-c", 0, TaskState::completed)});
    document.tasks[0].highlighted = true;
    document.tasks[2].delayTarget = "nextRun";
    document.runID = "old";
    document.runTaskIDs = IDs {"KB-001"};
    document.runProcessedIDs = IDs {"KB-001"};

    const auto result = applied(TallowinCommand::beginRun(), document);
    ASSERT_TRUE(result.runID.has_value());
    EXPECT_TRUE(isLowercaseUUID(*result.runID));
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-b", "KB-a", "KB-005"}));
    EXPECT_EQ(result.runProcessedIDs, IDs {});
    EXPECT_EQ(result.tasks, document.tasks);
    EXPECT_EQ(result.updatedAt, nowText);

    const auto empty = applied(TallowinCommand::beginRun(), makeDocument({makeTask("KB-1", 1, TaskState::removed)}));
    EXPECT_TRUE(empty.runID.has_value());
    EXPECT_EQ(empty.runTaskIDs, IDs {});
}

TEST(TallowinReducerBeginRun, ReviewAllAddsDelayedCardsAndDelayTargets)
{
    auto document = makeDocument(
        {makeTask("KB-001", 4), makeTask("KB-002", 3, TaskState::delayed), makeTask("KB-003", 2, TaskState::removed),
            makeTask("KB-004", 1, TaskState::completed), makeTask("KB-005", 0, TaskState::actionRequested)});
    document.tasks[2].delayTarget = "tomorrow";

    const auto result = applied(TallowinCommand::beginReviewAll(), document);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-003", "KB-002", "KB-001"}));
    EXPECT_EQ(result.tasks, document.tasks) << "delayed cards keep their state and resume time";
}

// Candidates and merges, through both forms: applied() and failure() compare them; the checks here make sure
// each command did its work.
TEST(TallowinReducerInPlace, CandidatesAndMerges)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2), makeTask("KB-003", 3)});
    document.pendingCandidates = {test::makeCandidate("C1"), test::makeCandidate("c3", "https://example.com/item/3")};
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001", "KB-002", "KB-003"};
    document.runProcessedIDs = IDs {"KB-001"};

    const auto accepted = applied(TallowinCommand::acceptCandidate("C1"), document);
    EXPECT_EQ(accepted.tasks.back().id, "KB-c1");
    EXPECT_EQ(accepted.runTaskIDs, (IDs {"KB-001", "KB-002", "KB-003", "KB-c1"}));

    const auto dismissed = applied(TallowinCommand::dismissCandidate("c3"), document);
    EXPECT_EQ(dismissed.dismissedCandidateKeys.size(), 1u);
    EXPECT_EQ(dismissed.pendingCandidates.size(), 1u);

    const auto merged = applied(TallowinCommand::mergeTasks("KB-002", {"KB-001", "KB-003"}, ""), document);
    ASSERT_EQ(merged.tasks.size(), 4u);
    EXPECT_EQ(merged.runTaskIDs, IDs {merged.tasks.back().id});
    EXPECT_EQ(merged.runProcessedIDs, IDs {});

    EXPECT_EQ(failure<TallowinDomainError>(TallowinCommand::acceptCandidate("c404"), document),
        "Task candidate c404 was not found.");
    auto unkeyed = document;
    unkeyed.pendingCandidates.push_back(test::makeCandidate("c2", "ftp://example.com/file"));
    EXPECT_EQ(failure<TaskContractError>(TallowinCommand::dismissCandidate("c2"), unkeyed),
        "Task contract source URL is invalid: ftp://example.com/file");
    EXPECT_EQ(failure<TallowinDomainError>(TallowinCommand::mergeTasks("KB-001", {}, ""), document),
        "Select at least one related task to merge.");
    EXPECT_EQ(failure<TallowinDomainError>(TallowinCommand::mergeTasks("KB-404", {"KB-001"}, ""), document),
        "Task KB-404 was not found.");

    document.tasks.push_back(makeTask("KB-c1", 4));
    EXPECT_EQ(failure<TallowinValidationError>(TallowinCommand::acceptCandidate("C1"), document),
        "Tallowin contains duplicate task ID KB-c1.");
}

TEST(TallowinReducer, ChangedResultIsValidated)
{
    auto document = makeDocument({makeTask("KB-001", 1)});
    document.tasks[0].createdAt = "2026-01-02";
    EXPECT_EQ(failure<TallowinValidationError>(TallowinCommand::beginRun(), document),
        "Tallowin contains an invalid timestamp: 2026-01-02.");
}

} // namespace
} // namespace tallowin
