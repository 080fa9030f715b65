#include "Tallowin/presentation/TaskReviewDrag.h"

#include "TallowinCore/canvas/TaskReviewSwipe.h"
#include "TallowinCore/workflow/DelayChoice.h"

namespace tallowin {

namespace {

TaskReviewInteraction resetDrag(TaskReviewInteraction review)
{
    review.dragOffset = {};
    review.hoveredDelayChoice.reset();
    review.removeTargetIsHighlighted = false;
    review.isDropping = false;
    review.draggedTaskID.reset();
    review.dragSide = review.delayRailPinned ? DragSide::right : DragSide::idle;
    return review;
}

} // namespace

DragSide TaskReviewDrag::sideOf(double horizontalTranslation)
{
    if (horizontalTranslation > sideThreshold)
        return DragSide::right;
    if (horizontalTranslation < -sideThreshold)
        return DragSide::left;
    return DragSide::both;
}

bool TaskReviewDrag::contains(const CanvasRect &frame, CanvasPoint point)
{
    // Half-open, so two frames that touch never both contain a point; an empty frame contains nothing.
    return point.x >= frame.origin.x && point.x < frame.origin.x + frame.size.width && point.y >= frame.origin.y
        && point.y < frame.origin.y + frame.size.height;
}

std::optional<DelayChoice> TaskReviewDrag::delayChoiceAt(const TaskDropZoneLayout &zones, CanvasPoint pointer)
{
    for (std::size_t index = 0; index < zones.delayFrames.size() && index < allDelayChoices.size(); ++index) {
        if (contains(zones.delayFrames[index], pointer))
            return allDelayChoices[index];
    }
    return std::nullopt;
}

TaskReviewInteraction TaskReviewDrag::changed(TaskReviewInteraction review, const std::string &taskID,
    CanvasPoint pointer, CanvasSize translation, const TaskDropZoneLayout &zones)
{
    if (review.isDropping)
        return review;
    review.draggedTaskID = taskID;
    review.dragOffset = translation;
    const DragSide side = sideOf(translation.width);
    if (side != review.dragSide && (side == DragSide::left || side == DragSide::right))
        review.delayRailPinned = false;
    review.dragSide = side;
    review.removeTargetIsHighlighted = side == DragSide::left && contains(zones.removeFrame, pointer);
    review.hoveredDelayChoice = delayChoiceAt(zones, pointer);
    return review;
}

TaskReviewDrag::Outcome TaskReviewDrag::ended(
    TaskReviewInteraction review, CanvasPoint pointer, CanvasSize translation, const TaskDropZoneLayout &zones)
{
    Outcome outcome;
    if (review.isDropping) {
        outcome.review = review;
        return outcome;
    }
    const std::optional<TaskReviewSwipe> intent = TaskReviewSwipe::intent(translation, commitDistance);
    if (sideOf(translation.width) == DragSide::left) {
        // On the left only removing counts, whatever frame the pointer is over.
        if (contains(zones.removeFrame, pointer) || (intent && intent->kind() == TaskReviewSwipe::Kind::remove))
            outcome.kind = Outcome::Kind::remove;
    } else if (const std::optional<DelayChoice> choice = delayChoiceAt(zones, pointer)) {
        outcome.kind = *choice == DelayChoice::custom ? Outcome::Kind::chooseDate : Outcome::Kind::delay;
        outcome.choice = choice;
    } else if (intent && intent->kind() == TaskReviewSwipe::Kind::later) {
        outcome.kind = Outcome::Kind::pinRail;
        review.delayRailPinned = true;
    }
    // A pile picked by dropping closes a rail that was pinned before.
    if (outcome.kind == Outcome::Kind::delay || outcome.kind == Outcome::Kind::chooseDate)
        review.delayRailPinned = false;
    outcome.review = resetDrag(std::move(review));
    return outcome;
}

TaskReviewInteraction TaskReviewDrag::cancelled(TaskReviewInteraction review)
{
    return resetDrag(std::move(review));
}

TaskReviewInteraction TaskReviewDrag::dropping(TaskReviewInteraction review)
{
    review.isDropping = true;
    return review;
}

TaskReviewInteraction TaskReviewDrag::dropFinished(TaskReviewInteraction review)
{
    review.isDropping = false;
    return review;
}

TaskReviewInteraction TaskReviewDrag::railReleased(TaskReviewInteraction review)
{
    review.delayRailPinned = false;
    if (!review.draggedTaskID)
        review.dragSide = DragSide::idle;
    return review;
}

} // namespace tallowin
