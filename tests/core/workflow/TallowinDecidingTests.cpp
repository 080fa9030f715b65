#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/workflow/TallowinDeciding.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/InPlaceChecks.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tallowin {
namespace {

using test::instantAt;
using test::isLowercaseUUID;
using test::makeDocument;
using test::makeTask;
using test::withRandomIDsNumbered;

using IDs = std::vector<std::string>;

constexpr const char *nowText = "2026-03-20T12:00:00.000Z";

// Decides on the document and on a copy given up to be changed in place; both must give the same deck.
TallowinDocument decided(const TallowinDocument &document, const std::string &taskID, const TaskDecision &decision,
    const std::string &note = "", const char *now = nowText)
{
    const TallowinDocument before = document;
    TallowinDocument result = TallowinDeciding::deciding(document, taskID, decision, note, instantAt(now));
    EXPECT_EQ(document, before) << "the input stays as it was";
    EXPECT_EQ(result.updatedAt, TallowinClock::now(instantAt(now)));
    EXPECT_EQ(result.revision, document.revision);

    TallowinDocument given = document;
    const TallowinDocument inPlace
        = TallowinDeciding::deciding(std::move(given), taskID, decision, note, instantAt(now));
    EXPECT_EQ(withRandomIDsNumbered(inPlace), withRandomIDsNumbered(result)) << "in place as on a copy";
    return result;
}

const TaskItem &card(const TallowinDocument &document, const std::string &id)
{
    const auto found = std::find_if(
        document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) { return task.id == id; });
    if (found == document.tasks.end())
        throw std::logic_error("no card " + id);
    return *found;
}

// The one event a decision appends, with its random ID checked and returned for comparisons.
TaskHistoryEvent lastEvent(const TaskItem &task, std::size_t expectedCount)
{
    EXPECT_EQ(task.history.size(), expectedCount);
    if (task.history.empty())
        return {};
    const TaskHistoryEvent &event = task.history.back();
    EXPECT_TRUE(isLowercaseUUID(event.id)) << event.id;
    EXPECT_EQ(event.at, nowText);
    return event;
}

TaskSource source(const std::string &url, const std::string &label = "Link")
{
    return TaskSource {label, url, std::nullopt, std::nullopt, std::nullopt};
}

TEST(TallowinDeciding, CompleteChangesOnlyWhatItOwns)
{
    TaskItem original = makeTask("KB-001", 4, TaskState::delayed);
    original.delayTarget = "tomorrow";
    original.highlighted = true;
    original.followUpPerson = "Bo";
    original.captureOrigin = "slack";
    original.instruction = "Ask Bo";
    original.history = {test::makeEvent("h1")};
    const auto result = decided(makeDocument({original}), "KB-001", TaskDecision::complete("  "));

    const TaskItem &task = card(result, "KB-001");
    TaskItem expected = original;
    expected.state = TaskState::completed;
    expected.resumeAt.reset();
    expected.delayTarget.reset();
    expected.result = "Marked complete.";
    expected.updatedAt = nowText;
    expected.history.push_back(TaskHistoryEvent {lastEvent(task, 2).id, nowText, "completed", "Marked complete."});
    EXPECT_EQ(task, expected) << "a blank outcome adds no source and reads as Marked complete.";
}

TEST(TallowinDeciding, CompleteAddsEachEvidenceLinkOnce)
{
    TaskItem original = makeTask("KB-001", 1);
    original.sources = {source("https://example.com/known")};
    const auto document = makeDocument({original});
    const std::string text = "\n Shipped in https://example.com/pr/1). Also https://example.com/known  ";

    const auto first = decided(document, "KB-001", TaskDecision::complete(text));
    const TaskItem &task = card(first, "KB-001");
    EXPECT_EQ(task.result, "Shipped in https://example.com/pr/1). Also https://example.com/known");
    EXPECT_EQ(lastEvent(task, 1).note, task.result);
    ASSERT_EQ(task.sources.size(), 2u);
    EXPECT_EQ(task.sources[0].url, "https://example.com/known");
    EXPECT_EQ(task.sources[1].label, "Completion evidence");
    EXPECT_EQ(task.sources[1].url, "https://example.com/pr/1");

    const auto again = decided(first, "KB-001", TaskDecision::complete(text));
    EXPECT_EQ(card(again, "KB-001").sources.size(), 2u) << "completing again adds no second copy";
    EXPECT_EQ(card(again, "KB-001").history.size(), 2u) << "completing a completed card is still recorded";
}

TEST(TallowinDeciding, CompleteResolvesEverySource)
{
    TaskItem original = makeTask("KB-001", 1);
    original.title = "Fix the build";
    TaskSource keyed = source("https://example.com/x");
    keyed.sourceKey = "slack:team:item";
    TaskSource hostless = source("https://");
    hostless.resolvedItemKey = "stale";
    original.sources = {source("HTTPS://Example.com/Org/Repo/"), keyed, hostless};

    const auto result = decided(makeDocument({original}), "KB-001", TaskDecision::complete("Done"));
    const auto &sources = card(result, "KB-001").sources;
    ASSERT_EQ(sources.size(), 3u);
    for (const TaskSource &each : sources)
        EXPECT_EQ(each.resolvedAt, nowText) << each.url;
    EXPECT_EQ(sources[0].sourceKey, "url:https://example.com/org/repo");
    EXPECT_EQ(sources[0].resolvedItemKey, "url:https://example.com/org/repo|fix-the-build");
    EXPECT_EQ(sources[1].sourceKey, "slack:team:item") << "a known key is kept";
    EXPECT_EQ(sources[1].resolvedItemKey, "slack:team:item|fix-the-build");
    EXPECT_EQ(sources[2].sourceKey, std::nullopt) << "a link without a key is no error";
    EXPECT_EQ(sources[2].resolvedItemKey, std::nullopt);
}

TEST(TallowinDeciding, DelaysSetResumeTimeTargetAndNote)
{
    test::ScopedTimeZone utc("UTC");
    const auto document = makeDocument({makeTask("KB-001", 1)});
    const char *now = "2026-03-14T09:26:53.589Z";

    auto result = decided(document, "KB-001", TaskDecision::tomorrow(), " \n", now);
    const TaskItem *task = &card(result, "KB-001");
    EXPECT_EQ(task->state, TaskState::delayed);
    EXPECT_EQ(task->resumeAt, "2026-03-15T09:26:53.589Z");
    EXPECT_EQ(task->delayTarget, "tomorrow");
    EXPECT_EQ(task->history.back().type, "delayed");
    EXPECT_EQ(task->history.back().note, "tomorrow");

    result = decided(document, "KB-001", TaskDecision::nextWeek(), "", now);
    task = &card(result, "KB-001");
    EXPECT_EQ(task->resumeAt, "2026-03-21T09:26:53.589Z");
    EXPECT_EQ(task->delayTarget, "nextWeek");
    EXPECT_EQ(task->history.back().note, "nextWeek");

    result = decided(document, "KB-001", TaskDecision::schedule(instantAt("2026-04-02T16:45:00Z")), "  Ask Bo first\n");
    task = &card(result, "KB-001");
    EXPECT_EQ(task->resumeAt, "2026-04-02T16:45:00.000Z") << "the chosen time, not rounded";
    EXPECT_EQ(task->delayTarget, "custom");
    EXPECT_EQ(task->history.back().type, "delayed");
    EXPECT_EQ(task->history.back().note, "Ask Bo first");
}

// The days are added to the wall-clock time in the user's zone, so the time of day survives a clock change.
TEST(TallowinDeciding, DelaysKeepLocalTimeAcrossDaylightSavingChanges)
{
    test::ScopedTimeZone berlin("Europe/Berlin");
    const auto document = makeDocument({makeTask("KB-001", 1)});
    const auto resumeAt = [&](const TaskDecision &decision, const char *now) {
        return card(decided(document, "KB-001", decision, "", now), "KB-001").resumeAt;
    };

    // 10:00 CET on 28 March; the clocks go forward on 29 March 2026.
    EXPECT_EQ(resumeAt(TaskDecision::tomorrow(), "2026-03-28T09:00:00.000Z"), "2026-03-29T08:00:00.000Z");
    EXPECT_EQ(resumeAt(TaskDecision::nextWeek(), "2026-03-25T09:00:00.250Z"), "2026-04-01T08:00:00.250Z");
    // 10:00 CEST on 24 October; the clocks go back on 25 October 2026.
    EXPECT_EQ(resumeAt(TaskDecision::tomorrow(), "2026-10-24T08:00:00.000Z"), "2026-10-25T09:00:00.000Z");
    EXPECT_EQ(resumeAt(TaskDecision::nextWeek(), "2026-10-20T08:30:00.000Z"), "2026-10-27T09:30:00.000Z");
    // Far from a change, a day is 24 hours.
    EXPECT_EQ(resumeAt(TaskDecision::tomorrow(), "2026-06-10T22:30:00.000Z"), "2026-06-11T22:30:00.000Z");
}

TEST(TallowinDeciding, NextReviewGoesBehindEveryCard)
{
    TaskItem delayed = makeTask("KB-001", 2, TaskState::delayed);
    delayed.delayTarget = "tomorrow";
    const auto document = makeDocument({delayed, makeTask("KB-002", 7), makeTask("KB-003", -1)});

    auto result = decided(document, "KB-001", TaskDecision::nextReview());
    const TaskItem &task = card(result, "KB-001");
    EXPECT_EQ(task.order, 8);
    EXPECT_EQ(task.state, TaskState::active);
    EXPECT_EQ(task.resumeAt, std::nullopt);
    EXPECT_EQ(task.delayTarget, "nextRun");
    EXPECT_EQ(lastEvent(task, 1).type, "next_run");
    EXPECT_EQ(task.history.back().note, "nextRun");

    result = decided(document, "KB-002", TaskDecision::nextReview(), " later ");
    EXPECT_EQ(card(result, "KB-002").order, 8) << "the card's own order counts";
    EXPECT_EQ(card(result, "KB-002").history.back().note, "later");
}

TEST(TallowinDeciding, RemoveAndRestoreIgnoreTheNote)
{
    TaskItem original = makeTask("KB-001", 1, TaskState::completed);
    TaskSource resolved = source("https://example.com/a");
    resolved.sourceKey = "url:https://example.com/a";
    resolved.resolvedAt = test::fixedTime;
    resolved.resolvedItemKey = "url:https://example.com/a|task";
    original.sources = {resolved};
    original.delayTarget = "nextRun";
    original.result = "Done";
    const auto document = makeDocument({original});

    auto result = decided(document, "KB-001", TaskDecision::remove(), "duplicate");
    const TaskItem *task = &card(result, "KB-001");
    EXPECT_EQ(task->state, TaskState::removed);
    EXPECT_EQ(task->delayTarget, std::nullopt);
    EXPECT_EQ(lastEvent(*task, 1).type, "removed");
    EXPECT_EQ(task->history.back().note, "removed");
    EXPECT_EQ(task->sources, original.sources);

    result = decided(document, "KB-001", TaskDecision::restore(), "back again");
    task = &card(result, "KB-001");
    EXPECT_EQ(task->state, TaskState::active);
    EXPECT_EQ(task->delayTarget, std::nullopt);
    EXPECT_EQ(task->result, "Done");
    EXPECT_EQ(lastEvent(*task, 1).type, "restored");
    EXPECT_EQ(task->history.back().note, "restored");
    ASSERT_EQ(task->sources.size(), 1u);
    EXPECT_EQ(task->sources[0].sourceKey, "url:https://example.com/a") << "restore keeps the key";
    EXPECT_EQ(task->sources[0].resolvedAt, std::nullopt);
    EXPECT_EQ(task->sources[0].resolvedItemKey, std::nullopt);
}

TEST(TallowinDeciding, FirstDecisionOpensRunOverTheQueue)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2),
        makeTask("KB-003", 3, TaskState::completed), makeTask("KB-004", 0, TaskState::delayed)});
    document.tasks[1].highlighted = true;

    auto result = decided(document, "KB-001", TaskDecision::complete("Done"));
    ASSERT_TRUE(result.runID.has_value());
    EXPECT_TRUE(isLowercaseUUID(*result.runID)) << *result.runID;
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-002", "KB-001"})) << "the queue before the decision, highlight first";
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-001"}));

    result = decided(document, "KB-003", TaskDecision::restore());
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-002", "KB-001", "KB-003"})) << "a restored card joins the new run";
    EXPECT_EQ(result.runProcessedIDs, IDs {});

    result = decided(document, "KB-004", TaskDecision::remove());
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-002", "KB-001"}));
    EXPECT_EQ(result.runProcessedIDs, IDs {}) << "a card outside the run is not marked processed";
}

TEST(TallowinDeciding, ProcessedCardsAreListedOnce)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2)});
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001", "KB-002"};

    auto result = decided(document, "KB-002", TaskDecision::tomorrow());
    EXPECT_EQ(result.runID, "run") << "an open run stays";
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-002"})) << "an absent list counts as empty";
    result = decided(result, "KB-002", TaskDecision::complete(""));
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-002"}));
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-002"}));
}

TEST(TallowinDeciding, RestorePutsTheCardBackIntoTheRun)
{
    auto document = makeDocument({makeTask("KB-001", 1, TaskState::completed), makeTask("KB-002", 2),
        makeTask("KB-003", 3, TaskState::removed)});
    document.runID = "run";
    document.runTaskIDs = IDs {"KB-001", "KB-002"};
    document.runProcessedIDs = IDs {"KB-001", "KB-002", "KB-001"};

    auto result = decided(document, "KB-001", TaskDecision::restore());
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-002"})) << "already listed, not listed twice";
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-002"})) << "every occurrence leaves the processed list";

    result = decided(document, "KB-003", TaskDecision::restore());
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001", "KB-002", "KB-003"}));
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-001", "KB-002", "KB-001"}));
}

TEST(TallowinDeciding, RunIDWithoutRunListCreatesNoListForOrdinaryDecisions)
{
    auto document = makeDocument({makeTask("KB-001", 1, TaskState::removed)});
    document.runID = "run";

    auto result = decided(document, "KB-001", TaskDecision::remove());
    EXPECT_EQ(result.runTaskIDs, std::nullopt);
    EXPECT_EQ(result.runProcessedIDs, std::nullopt);

    result = decided(document, "KB-001", TaskDecision::restore());
    EXPECT_EQ(result.runTaskIDs, (IDs {"KB-001"}));
    EXPECT_EQ(result.runProcessedIDs, std::nullopt);
}

TEST(TallowinDeciding, MissingOrMergedCardIsNotFound)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-009", 2, TaskState::merged)});
    document.tasks[1].mergedInto = "KB-001";
    const TallowinDocument before = document;

    for (const std::string id : {"KB-009", "KB-404", "kb-001"}) {
        if (const auto error = EXPECT_THROW_SENTENCE(TallowinDomainError, TallowinDomainError::taskNotFound(id),
                TallowinDeciding::deciding(document, id, TaskDecision::complete("x"), "", instantAt(nowText)))) {
            EXPECT_EQ(error->kind(), TallowinDomainError::Kind::taskNotFound);
            EXPECT_EQ(std::string(error->what()), "Task " + id + " was not found.");
        }
    }
    EXPECT_EQ(document, before);
}

TEST(TallowinDeciding, InvalidResultIsNotReturned)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2)});
    document.tasks[1].createdAt = "yesterday";
    const TallowinDocument before = document;
    if (const auto error
        = EXPECT_THROW_SENTENCE(TallowinValidationError, "Tallowin contains an invalid timestamp: yesterday.",
            TallowinDeciding::deciding(document, "KB-001", TaskDecision::remove(), "", instantAt(nowText)))) {
        EXPECT_EQ(error->kind(), TallowinValidationError::Kind::invalidTimestamp);
    }
    EXPECT_EQ(document, before);
}

TEST(TallowinDecidingInPlace, FailuresMatchTheCopyingForm)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-009", 2, TaskState::merged)});
    document.tasks[1].mergedInto = "KB-001";
    const TallowinDocument before = document;

    TallowinDocument given = document;
    EXPECT_THROW(TallowinDeciding::deciding(std::move(given), "KB-009", TaskDecision::remove(), "", instantAt(nowText)),
        TallowinDomainError);
    EXPECT_EQ(given, before) << "a card that is not found changes nothing, even in a document given up";

    document.tasks[0].createdAt = "yesterday";
    given = document;
    EXPECT_THROW_SENTENCE(TallowinValidationError, TallowinValidationError::invalidTimestamp("yesterday"),
        TallowinDeciding::deciding(std::move(given), "KB-001", TaskDecision::remove(), "", instantAt(nowText)));
}

// The ID and the note may be strings of the very document that is given up and changed.
TEST(TallowinDecidingInPlace, ArgumentsTakenFromTheDocumentItself)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2)});
    document.title = "KB-002";
    document.updatedAt = "Waiting for the review";
    const TallowinDocument result = TallowinDeciding::deciding(
        std::move(document), document.title, TaskDecision::tomorrow(), document.updatedAt, instantAt(nowText));
    const TaskItem &task = card(result, "KB-002");
    EXPECT_EQ(task.state, TaskState::delayed);
    EXPECT_EQ(task.history.back().note, "Waiting for the review");
    EXPECT_EQ(result.runProcessedIDs, (IDs {"KB-002"}));
}

TEST(TallowinDomainError, Messages)
{
    EXPECT_EQ(std::string(TallowinDomainError::candidateNotFound("c1").what()), "Task candidate c1 was not found.");
    EXPECT_EQ(std::string(TallowinDomainError::taskNotFound("KB-1").what()), "Task KB-1 was not found.");
    EXPECT_EQ(std::string(TallowinDomainError::mergeRequiresRelatedTask().what()),
        "Select at least one related task to merge.");
    EXPECT_NE(TallowinDomainError::taskNotFound("a"), TallowinDomainError::candidateNotFound("a"));
}

} // namespace
} // namespace tallowin
