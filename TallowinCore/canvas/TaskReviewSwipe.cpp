#include "TallowinCore/canvas/TaskReviewSwipe.h"

#include <algorithm>
#include <cmath>

namespace tallowin {

std::optional<TaskReviewSwipe> TaskReviewSwipe::intent(CanvasSize translation, double commitDistance)
{
    const double ax = std::abs(translation.width);
    const double ay = std::abs(translation.height);
    // Written as "not at least" so that a NaN distance or translation commits to nothing.
    if (!(std::max(ax, ay) >= commitDistance))
        return std::nullopt;
    if (ax < ay)
        return next();
    return translation.width < 0 ? remove() : later();
}

} // namespace tallowin
