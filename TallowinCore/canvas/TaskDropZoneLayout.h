#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/canvas/CanvasRect.h"
#include "TallowinCore/canvas/CanvasSize.h"

#include <vector>

namespace tallowin {

// The drop targets around the card: the remove zone on the left, a column of later piles on the right.
// Fixed sizes, independent of the card's; they shrink to the room beside the card on a narrow canvas.
struct TALLOWIN_CORE_EXPORT TaskDropZoneLayout
{
    static constexpr CanvasSize removeSize {220, 300};
    static constexpr CanvasSize delaySize {330, 113};
    static constexpr double delaySpacing = 2;

    // destinationCount: how many later piles to show; none for zero or less.
    TaskDropZoneLayout(CanvasSize canvas, int destinationCount);

    CanvasRect removeFrame;
    // Top to bottom, centred vertically as one column.
    std::vector<CanvasRect> delayFrames;

    friend bool operator==(const TaskDropZoneLayout &, const TaskDropZoneLayout &) = default;
};

} // namespace tallowin
