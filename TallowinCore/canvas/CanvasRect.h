#pragma once

#include "TallowinCore/canvas/CanvasPoint.h"
#include "TallowinCore/canvas/CanvasSize.h"

namespace tallowin {

// A rectangle on the review canvas: its origin is the corner with the smallest x and y.
struct CanvasRect
{
    CanvasPoint origin;
    CanvasSize size;

    friend bool operator==(const CanvasRect &, const CanvasRect &) = default;
};

} // namespace tallowin
