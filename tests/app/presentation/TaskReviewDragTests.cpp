// The drag rules of the review canvas on the reference canvas of 1600 by 900 points: the remove frame is
// (260, 300, 220, 300), the four delay frames are 330 wide at x 1118, from y 221 in steps of 115.
#include "Tallowin/presentation/TaskReviewDrag.h"
#include "TallowinCore/canvas/TaskCarouselSession.h"

#include <gtest/gtest.h>

using namespace tallowin;
using Kind = TaskReviewDrag::Outcome::Kind;

namespace {

const TaskDropZoneLayout zones({1600, 900}, 4);
constexpr CanvasPoint inRemove {300, 400};
constexpr CanvasPoint inTomorrow {1200, 400};
constexpr CanvasPoint inCustom {1200, 620};
constexpr CanvasPoint outside {800, 450};

TaskReviewInteraction dragged(CanvasSize translation, CanvasPoint pointer, TaskReviewInteraction from = {})
{
    return TaskReviewDrag::changed(std::move(from), "card-1", pointer, translation, zones);
}

} // namespace

TEST(TaskReviewDragTests, theSideFollowsTheLeanBeyondTwelvePoints)
{
    const struct
    {
        double dx;
        DragSide side;
    } cases[] = {{0, DragSide::both}, {12, DragSide::both}, {12.5, DragSide::right}, {-12, DragSide::both},
        {-12.5, DragSide::left}, {400, DragSide::right}, {-0.0, DragSide::both}};
    for (const auto &item : cases) {
        EXPECT_EQ(TaskReviewDrag::sideOf(item.dx), item.side) << item.dx;
        EXPECT_EQ(dragged({item.dx, 0}, outside).dragSide, item.side) << item.dx;
    }
}

TEST(TaskReviewDragTests, aDragRecordsTheCardTheOffsetAndWhatIsUnderThePointer)
{
    const TaskReviewInteraction over = dragged({-40, 8}, inRemove);
    EXPECT_EQ(over.draggedTaskID, std::optional<std::string>("card-1"));
    EXPECT_EQ(over.dragOffset, (CanvasSize {-40, 8}));
    EXPECT_TRUE(over.removeTargetIsHighlighted);
    EXPECT_FALSE(over.hoveredDelayChoice);

    // The remove target lights up only for a card leaning left.
    EXPECT_FALSE(dragged({-10, 0}, inRemove).removeTargetIsHighlighted);
    EXPECT_EQ(dragged({300, 0}, inTomorrow).hoveredDelayChoice, DelayChoice::tomorrow);
    EXPECT_EQ(dragged({300, 0}, inCustom).hoveredDelayChoice, DelayChoice::custom);
    EXPECT_EQ(dragged({300, 0}, {1200, 221}).hoveredDelayChoice, DelayChoice::nextRun);
    // Frames are half-open: the gap row between two frames belongs to neither.
    EXPECT_EQ(dragged({300, 0}, {1200, 334.5}).hoveredDelayChoice, std::nullopt);
    EXPECT_EQ(dragged({300, 0}, {1200, 336}).hoveredDelayChoice, DelayChoice::tomorrow);
    EXPECT_EQ(dragged({300, 0}, {1448, 400}).hoveredDelayChoice, std::nullopt);
}

TEST(TaskReviewDragTests, leaningToASideReleasesThePinnedRail)
{
    TaskReviewInteraction pinned;
    pinned.delayRailPinned = true;
    pinned.dragSide = DragSide::right;
    // Still in the middle: the rail stays.
    EXPECT_TRUE(dragged({5, 0}, outside, pinned).delayRailPinned);
    const TaskReviewInteraction middle = dragged({5, 0}, outside, pinned);
    EXPECT_FALSE(dragged({20, 0}, outside, middle).delayRailPinned);
    EXPECT_FALSE(dragged({-20, 0}, outside, middle).delayRailPinned);
}

TEST(TaskReviewDragTests, aReleaseDecidesByTheSideTheFramesAndTheThrow)
{
    const struct
    {
        const char *name;
        CanvasSize translation;
        CanvasPoint pointer;
        Kind kind;
        std::optional<DelayChoice> choice;
    } cases[] = {
        {"left, over the remove frame", {-30, 0}, inRemove, Kind::remove, {}},
        {"left, thrown far enough", {-140, 20}, outside, Kind::remove, {}},
        {"left, not far enough", {-139, 20}, outside, Kind::springBack, {}},
        {"left over a delay frame: no delay", {-40, 0}, inTomorrow, Kind::springBack, {}},
        {"left over a delay frame, thrown: only removing counts", {-300, 0}, inTomorrow, Kind::remove, {}},
        {"right onto a pile", {320, 0}, inTomorrow, Kind::delay, DelayChoice::tomorrow},
        {"barely leaning onto a pile still drops", {10, 0}, inTomorrow, Kind::delay, DelayChoice::tomorrow},
        {"right onto the dated pile asks for the date", {320, 150}, inCustom, Kind::chooseDate, DelayChoice::custom},
        {"short drag right outside every frame", {60, 10}, outside, Kind::springBack, {}},
        {"thrown right outside every frame", {140, 10}, outside, Kind::pinRail, {}},
        {"vertical throw: moving on is not a drag", {20, 300}, outside, Kind::springBack, {}},
        {"right, over the remove frame", {30, 0}, inRemove, Kind::springBack, {}},
    };
    for (const auto &item : cases) {
        const TaskReviewInteraction during = dragged(item.translation, item.pointer);
        const TaskReviewDrag::Outcome outcome = TaskReviewDrag::ended(during, item.pointer, item.translation, zones);
        EXPECT_EQ(outcome.kind, item.kind) << item.name;
        EXPECT_EQ(outcome.choice, item.choice) << item.name;
        // Whatever happened, the drag is over.
        EXPECT_FALSE(outcome.review.draggedTaskID) << item.name;
        EXPECT_EQ(outcome.review.dragOffset, CanvasSize {}) << item.name;
        EXPECT_FALSE(outcome.review.hoveredDelayChoice) << item.name;
        EXPECT_FALSE(outcome.review.removeTargetIsHighlighted) << item.name;
        EXPECT_FALSE(outcome.review.isDropping) << item.name;
        EXPECT_EQ(outcome.review.delayRailPinned, item.kind == Kind::pinRail) << item.name;
        EXPECT_EQ(outcome.review.dragSide, item.kind == Kind::pinRail ? DragSide::right : DragSide::idle) << item.name;
    }
}

TEST(TaskReviewDragTests, aShortDragRightSpringsBackToTheStateBeforeIt)
{
    const TaskReviewInteraction before;
    const TaskReviewDrag::Outcome outcome
        = TaskReviewDrag::ended(dragged({60, 10}, outside, before), outside, {60, 10}, zones);
    EXPECT_EQ(outcome.kind, Kind::springBack);
    EXPECT_EQ(outcome.review, before);
}

TEST(TaskReviewDragTests, aDropInProgressIgnoresInputAndKeepsTheCarousel)
{
    TaskReviewInteraction browsing;
    browsing.pileCarouselChoice = DelayChoice::nextWeek;
    browsing.pileCarousel = TaskCarouselSession({"a", "b"});
    browsing.carouselTitle = "Next week";

    const TaskReviewInteraction dropping = TaskReviewDrag::dropping(browsing);
    EXPECT_TRUE(dropping.isDropping);
    EXPECT_EQ(dragged({-200, 0}, inRemove, dropping), dropping);
    EXPECT_EQ(TaskReviewDrag::ended(dropping, inRemove, {-200, 0}, zones).kind, Kind::springBack);
    EXPECT_EQ(TaskReviewDrag::dropFinished(dropping), browsing);

    const TaskReviewInteraction during = dragged({-200, 0}, inRemove, browsing);
    EXPECT_EQ(during.pileCarousel, browsing.pileCarousel);
    EXPECT_EQ(TaskReviewDrag::cancelled(during), browsing);
    EXPECT_EQ(TaskReviewDrag::ended(during, inRemove, {-200, 0}, zones).review, browsing);
}

TEST(TaskReviewDragTests, dropFramesOnANarrowCanvasContainNothing)
{
    const TaskDropZoneLayout narrow({600, 700}, 4);
    const TaskReviewInteraction review = TaskReviewDrag::changed({}, "card-1", {24, 350}, {-300, 0}, narrow);
    EXPECT_FALSE(review.removeTargetIsHighlighted);
    // A throw still removes; a throw right still pins the rail, which the keys and the sheet then serve.
    EXPECT_EQ(TaskReviewDrag::ended(review, {24, 350}, {-300, 0}, narrow).kind, Kind::remove);
    EXPECT_EQ(TaskReviewDrag::ended(review, {580, 350}, {300, 0}, narrow).kind, Kind::pinRail);
}

TEST(TaskReviewDragTests, releasingThePinnedRailReturnsToIdle)
{
    const TaskReviewDrag::Outcome thrown = TaskReviewDrag::ended(dragged({200, 0}, outside), outside, {200, 0}, zones);
    ASSERT_TRUE(thrown.review.delayRailPinned);
    const TaskReviewInteraction released = TaskReviewDrag::railReleased(thrown.review);
    EXPECT_EQ(released, TaskReviewInteraction {});
    // Picking a pile by dropping on it closes the rail too.
    const TaskReviewDrag::Outcome picked
        = TaskReviewDrag::ended(dragged({300, 0}, inTomorrow, thrown.review), inTomorrow, {300, 0}, zones);
    EXPECT_EQ(picked.kind, Kind::delay);
    EXPECT_FALSE(picked.review.delayRailPinned);
}
