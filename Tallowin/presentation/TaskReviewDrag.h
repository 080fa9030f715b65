#pragma once

#include "Tallowin/presentation/TaskReviewInteraction.h"
#include "TallowinCore/canvas/CanvasPoint.h"
#include "TallowinCore/canvas/CanvasRect.h"
#include "TallowinCore/canvas/TaskDropZoneLayout.h"

#include <optional>
#include <string>

namespace tallowin {

// The rules that turn a drag of the card in front into the review state and, when it ends, into what happens to
// the card. Pointer and translation are in canvas points; the zones are the canvas's drop-zone layout with one
// delay frame per DelayChoice, in order. Every function returns the review with only its drag fields changed, so
// that a pile carousel the store changed meanwhile is kept.
class TaskReviewDrag
{
public:
    // A lean of up to this much either way still shows both sides.
    static constexpr double sideThreshold = 12;
    // How far a release must have travelled to count as a throw: a quarter of the card's width, well beyond a hand
    // that slips while reading or clicking the card, well within one flick of the wrist.
    static constexpr double commitDistance = 140;

    struct Outcome
    {
        enum class Kind {
            // Nothing happens; the card returns to its place.
            springBack,
            remove,
            delay,
            // The custom pile: ask for the date first.
            chooseDate,
            // A throw to the right: the rail stays open for the user to pick a pile.
            pinRail,
        };
        Kind kind = Kind::springBack;
        std::optional<DelayChoice> choice;
        TaskReviewInteraction review;
    };

    static DragSide sideOf(double horizontalTranslation);
    static bool contains(const CanvasRect &frame, CanvasPoint point);
    static std::optional<DelayChoice> delayChoiceAt(const TaskDropZoneLayout &zones, CanvasPoint pointer);

    // Ignored while a drop runs.
    static TaskReviewInteraction changed(TaskReviewInteraction review, const std::string &taskID, CanvasPoint pointer,
        CanvasSize translation, const TaskDropZoneLayout &zones);
    static Outcome ended(
        TaskReviewInteraction review, CanvasPoint pointer, CanvasSize translation, const TaskDropZoneLayout &zones);
    // Esc during a drag: the card springs back and nothing is decided.
    static TaskReviewInteraction cancelled(TaskReviewInteraction review);
    // The drop animation after a remove or a delay; input waits for it.
    static TaskReviewInteraction dropping(TaskReviewInteraction review);
    static TaskReviewInteraction dropFinished(TaskReviewInteraction review);
    // The pinned rail closes: a pile was picked, the user dismissed it, or the card in front changed.
    static TaskReviewInteraction railReleased(TaskReviewInteraction review);
    static bool isDragging(const TaskReviewInteraction &review) { return review.draggedTaskID.has_value(); }
};

} // namespace tallowin
