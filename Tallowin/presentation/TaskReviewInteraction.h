#pragma once

#include "TallowinCore/canvas/CanvasSize.h"
#include "TallowinCore/canvas/TaskCarouselSession.h"
#include "TallowinCore/workflow/DelayChoice.h"

#include <optional>
#include <string>

namespace tallowin {

// Which side labels show while a card is dragged.
enum class DragSide { idle, both, left, right };

// The review canvas between gestures and while one runs; plain data the store keeps so actions can reset it.
struct TaskReviewInteraction
{
    CanvasSize dragOffset;
    DragSide dragSide = DragSide::idle;
    std::optional<DelayChoice> hoveredDelayChoice;
    bool removeTargetIsHighlighted = false;
    // A drop animation runs; input waits for it.
    bool isDropping = false;
    // The delay rail stays open after a swipe towards later, until a pile is picked.
    bool delayRailPinned = false;
    std::optional<std::string> draggedTaskID;
    // The dated pile being browsed, its carousel and the title shown meanwhile.
    std::optional<DelayChoice> pileCarouselChoice;
    std::optional<TaskCarouselSession> pileCarousel;
    std::optional<std::string> carouselTitle;

    friend bool operator==(const TaskReviewInteraction &, const TaskReviewInteraction &) = default;
};

} // namespace tallowin
