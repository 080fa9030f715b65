#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::instantAt;
using test::isLowercaseUUID;
using test::makeCandidate;
using test::makeDocument;
using test::makeTask;

using IDs = std::vector<std::string>;

constexpr const char *nowText = "2026-03-20T12:00:00.000Z";

TallowinDocument applied(const TallowinCommand &command, const TallowinDocument &document)
{
    const TallowinDocument before = document;
    TallowinDocument result = TallowinReducer::apply(command, document, instantAt(nowText));
    EXPECT_EQ(document, before) << "the input stays as it was";
    EXPECT_EQ(result.updatedAt, nowText);
    return result;
}

template<typename Error> std::string failure(const TallowinCommand &command, const TallowinDocument &document)
{
    const TallowinDocument before = document;
    try {
        TallowinReducer::apply(command, document, instantAt(nowText));
    } catch (const Error &error) {
        EXPECT_EQ(document, before);
        return error.what();
    }
    return "no error";
}

TEST(TallowinReducerAcceptCandidate, BuildsAnActiveCard)
{
    auto document = makeDocument();
    TaskCandidate candidate = makeCandidate("C9");
    candidate.sourceAuthor = "Ada";
    candidate.confidence = 0.5;
    document.pendingCandidates = {makeCandidate("c1"), candidate};

    const auto result = applied(TallowinCommand::acceptCandidate("C9"), document);
    EXPECT_EQ(result.pendingCandidates, std::vector<TaskCandidate> {document.pendingCandidates[0]});
    EXPECT_TRUE(result.dismissedCandidateKeys.empty()) << "accepting does not dismiss";
    ASSERT_EQ(result.tasks.size(), 1u);

    const TaskItem &task = result.tasks[0];
    ASSERT_EQ(task.history.size(), 1u);
    EXPECT_TRUE(isLowercaseUUID(task.history[0].id));
    TaskItem expected;
    expected.id = "KB-c9";
    expected.order = 1;
    expected.person = candidate.person;
    expected.title = candidate.title;
    expected.context = candidate.context;
    expected.kind = candidate.kind;
    expected.state = TaskState::active;
    expected.sources = {candidate.source};
    expected.history = {TaskHistoryEvent {task.history[0].id, nowText, "candidate_accepted", "Asked for a follow-up"}};
    expected.createdAt = nowText;
    expected.updatedAt = nowText;
    EXPECT_EQ(task, expected);
    EXPECT_EQ(result.runTaskIDs, std::nullopt) << "no run, no run list";
}

TEST(TallowinReducerAcceptCandidate, GoesBehindEveryCardAndIntoTheOpenRun)
{
    auto document = makeDocument({makeTask("KB-001", 5), makeTask("KB-002", -3)});
    document.pendingCandidates = {makeCandidate("Ä1")};
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001"};

    auto result = applied(TallowinCommand::acceptCandidate("Ä1"), document);
    EXPECT_EQ(result.tasks.back().id, "KB-ä1") << "lower-cased beyond ASCII";
    EXPECT_EQ(result.tasks.back().order, 6);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-ä1"}));

    document.runTaskIDs.reset();
    result = applied(TallowinCommand::acceptCandidate("Ä1"), document);
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-ä1"})) << "a run ID alone is an open run";
}

TEST(TallowinReducerAcceptCandidate, Failures)
{
    auto document = makeDocument({makeTask("KB-c9", 1)});
    document.pendingCandidates = {makeCandidate("C9")};
    EXPECT_EQ(failure<TallowinDomainError>(TallowinCommand::acceptCandidate("c404"), document),
        "Task candidate c404 was not found.");
    EXPECT_EQ(failure<TallowinValidationError>(TallowinCommand::acceptCandidate("C9"), document),
        "Tallowin contains duplicate task ID KB-c9.");
}

TEST(TallowinReducerDismissCandidate, RemembersTheItemKeyOnce)
{
    auto document = makeDocument();
    TaskCandidate first = makeCandidate("c1", "https://example.com/item/1");
    first.title = "Review the Q3 plan";
    TaskCandidate second = makeCandidate("c2", "https://EXAMPLE.com/item/1#thread");
    second.title = "review the q3 plan!";
    document.pendingCandidates = {first, second, makeCandidate("c3")};
    document.dismissedCandidateKeys = {"slack:t:1|old"};

    auto result = applied(TallowinCommand::dismissCandidate("c1"), document);
    EXPECT_EQ(
        result.dismissedCandidateKeys, (IDs {"slack:t:1|old", "url:https://example.com/item/1|review-the-q3-plan"}));
    EXPECT_EQ(result.pendingCandidates.size(), 2u);
    EXPECT_TRUE(result.tasks.empty());

    result = applied(TallowinCommand::dismissCandidate("c2"), result);
    EXPECT_EQ(result.dismissedCandidateKeys.size(), 2u) << "the same suggestion is remembered once";
    EXPECT_EQ(result.pendingCandidates, std::vector<TaskCandidate> {document.pendingCandidates[2]});
}

TEST(TallowinReducerDismissCandidate, Failures)
{
    auto document = makeDocument();
    document.pendingCandidates = {makeCandidate("c1", "ftp://example.com/file")};
    EXPECT_EQ(failure<TallowinDomainError>(TallowinCommand::dismissCandidate("c2"), document),
        "Task candidate c2 was not found.");
    EXPECT_EQ(failure<TaskContractError>(TallowinCommand::dismissCandidate("c1"), document),
        "Task contract source URL is invalid: ftp://example.com/file");
}

} // namespace
} // namespace tallowin
