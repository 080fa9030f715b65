#include "TallowinCore/canvas/TaskReviewViewport.h"

#include <algorithm>

namespace tallowin {

namespace {

// Also positive zero for a negative zero or NaN, which std::max would pass through.
double atLeastZero(double value)
{
    return value > 0 ? value : 0.0;
}

} // namespace

TaskReviewViewport::TaskReviewViewport(CanvasSize available, CanvasSize preferred)
    : cardSize {atLeastZero(std::min(preferred.width, available.width)),
        atLeastZero(std::min(preferred.height, available.height))}
{ }

} // namespace tallowin
