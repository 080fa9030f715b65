#include "TallowinCore/canvas/TaskDropZoneLayout.h"

#include <algorithm>

namespace tallowin {

namespace {

// The card's footprint is reserved in the middle whatever the card's actual size.
constexpr double reservedCentreWidth = 620;
constexpr double edgeMargin = 24;
constexpr double zoneGap = 8;
constexpr double reservedHalfWidth = 310;
constexpr double preferredCentreOffset = 430;

} // namespace

TaskDropZoneLayout::TaskDropZoneLayout(CanvasSize canvas, int destinationCount)
{
    const double width = canvas.width;
    const double height = canvas.height;
    const double sideRoom = std::max((width - reservedCentreWidth) / 2 - edgeMargin - zoneGap, 0.0);

    const double removeWidth = std::min(sideRoom, removeSize.width);
    const double removeCentre = std::max(width / 2 - preferredCentreOffset, removeWidth / 2 + edgeMargin);
    removeFrame
        = {{removeCentre - removeWidth / 2, (height - removeSize.height) / 2}, {removeWidth, removeSize.height}};

    if (destinationCount < 1)
        return;
    const double delayWidth = std::min(sideRoom, delaySize.width);
    const double delayCentre = std::min(width - edgeMargin - delayWidth / 2,
        std::max(width / 2 + reservedHalfWidth + zoneGap + delayWidth / 2, width / 2 + preferredCentreOffset));
    const double count = destinationCount;
    const double columnHeight = count * delaySize.height + (count - 1) * delaySpacing;
    const double top = (height - columnHeight) / 2;
    delayFrames.reserve(static_cast<std::size_t>(destinationCount));
    for (int index = 0; index < destinationCount; ++index)
        delayFrames.push_back({{delayCentre - delayWidth / 2, top + index * (delaySize.height + delaySpacing)},
            {delayWidth, delaySize.height}});
}

} // namespace tallowin
