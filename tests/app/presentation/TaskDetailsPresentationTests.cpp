// The details of a card: badge, outcome, return time, merge target and whether it can be reviewed again.
#include "Tallowin/presentation/LocalTimeText.h"
#include "Tallowin/presentation/TaskDetailsPresentation.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument detailsDeck()
{
    TaskItem waiting = makeTask("KB-001", 1, TaskState::delayed);
    waiting.title = "Call the plumber";
    waiting.resumeAt = "2026-03-16T08:00:00.000Z";
    waiting.kind = TaskKind::waitingOn;
    TaskItem done = makeTask("KB-002", 2, TaskState::completed);
    done.result = "Fixed, see https://example.com/pr/1";
    TaskItem merged = makeTask("KB-003", 3, TaskState::merged);
    merged.mergedInto = "KB-004";
    TaskItem shared = makeTask("KB-004", 4);
    shared.title = "Shared kitchen work";
    TaskItem orphan = makeTask("KB-005", 5, TaskState::merged);
    orphan.mergedInto = "KB-999";
    TaskItem odd = makeTask("KB-006", 6, TaskState::delayed);
    odd.resumeAt = "next spring";
    return makeDocument({waiting, done, merged, shared, orphan, odd});
}

std::string fixedText(TallowinInstant instant)
{
    return TallowinClock::now(instant);
}

} // namespace

TEST(TaskDetailsPresentation, showsWhatTheCardsStateCarries)
{
    const TallowinDocument deck = detailsDeck();
    const auto waiting = TaskDetailsPresentation::make(deck, "KB-001", &fixedText);
    ASSERT_TRUE(waiting);
    EXPECT_EQ(waiting->stateBadge, "Delayed");
    EXPECT_EQ(waiting->kindLabel, std::string(label(TaskKind::waitingOn)));
    EXPECT_EQ(waiting->title, "Call the plumber");
    EXPECT_EQ(waiting->returns, "Returns 2026-03-16T08:00:00.000Z");
    EXPECT_FALSE(waiting->outcome);
    EXPECT_FALSE(waiting->mergedInto);

    const auto done = TaskDetailsPresentation::make(deck, "KB-002", &fixedText);
    EXPECT_EQ(done->stateBadge, "Completed");
    EXPECT_EQ(done->outcome, "Fixed, see https://example.com/pr/1");

    EXPECT_EQ(TaskDetailsPresentation::make(deck, "KB-003", &fixedText)->mergedInto, "Merged into Shared kitchen work");
    EXPECT_EQ(TaskDetailsPresentation::make(deck, "KB-005", &fixedText)->mergedInto, "Merged into KB-999");
    EXPECT_EQ(TaskDetailsPresentation::make(deck, "KB-006", &fixedText)->returns, "Returns next spring");
    EXPECT_FALSE(TaskDetailsPresentation::make(deck, "KB-404", &fixedText));
}

TEST(TaskDetailsPresentation, offersReviewForCardsNotWaitingInTheQueue)
{
    TallowinDocument deck = detailsDeck();
    // Without a run the queue is the active cards: KB-004 waits there already.
    EXPECT_FALSE(TaskDetailsPresentation::make(deck, "KB-004", &fixedText)->canReview);
    for (const char *id : {"KB-001", "KB-002", "KB-003"})
        EXPECT_TRUE(TaskDetailsPresentation::make(deck, id, &fixedText)->canReview) << id;
    // Processed in the current run, an active card is out of the queue and can come back.
    deck.runID = "run";
    deck.runTaskIDs = std::vector<std::string> {"KB-004"};
    deck.runProcessedIDs = std::vector<std::string> {"KB-004"};
    EXPECT_TRUE(TaskDetailsPresentation::make(deck, "KB-004", &fixedText)->canReview);
}

TEST(LocalTimeText, writesTheInstantInTheLocalTimeZone)
{
    // CTest runs in Europe/Berlin: 08:00 UTC is 09:00 in winter and 10:00 in summer.
    EXPECT_EQ(localTimeText(*TallowinClock::date("2026-03-16T08:00:00.000Z")), "Monday, 16 March 2026, 09:00");
    EXPECT_EQ(localTimeText(*TallowinClock::date("2026-07-01T08:00:00.000Z")), "Wednesday, 1 July 2026, 10:00");
}
