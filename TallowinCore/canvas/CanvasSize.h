#pragma once

namespace tallowin {

// A size in points on the review canvas; also a drag translation (width along x, height along y).
struct CanvasSize
{
    double width = 0;
    double height = 0;

    friend bool operator==(const CanvasSize &, const CanvasSize &) = default;
};

} // namespace tallowin
