#pragma once

namespace tallowin {

// A position in points on the review canvas; y grows downwards.
struct CanvasPoint
{
    double x = 0;
    double y = 0;

    friend bool operator==(const CanvasPoint &, const CanvasPoint &) = default;
};

} // namespace tallowin
