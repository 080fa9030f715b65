#include "TallowinCore/canvas/TaskReviewLayout.h"

#include <algorithm>

namespace tallowin {

TaskReviewLayout::TaskReviewLayout(
    double width, double cardWidth, double indicator, std::optional<double> pile, double inset, double gap)
{
    const double cardAndIndicator = 2 * inset + cardWidth + gap + indicator;
    double rightmost = 0;
    double centred = 0;
    if (pile) {
        minimumWidth = *pile + gap + cardAndIndicator;
        const double effective = std::max(minimumWidth, width);
        pileMinX = effective - inset - *pile;
        rightmost = *pileMinX - gap - indicator - gap - cardWidth;
        centred = (effective - (*pile + gap) - cardWidth) / 2;
    } else {
        minimumWidth = cardAndIndicator;
        const double effective = std::max(cardAndIndicator, width);
        rightmost = (effective - inset) - indicator - gap - cardWidth;
        centred = (effective - cardWidth) / 2;
    }
    // Centred left of the pile unless the indicator would then reach into the pile or the right inset;
    // never left of the inset.
    cardMinX = std::max(std::min(rightmost, centred), inset);
    indicatorMinX = cardMinX + cardWidth + gap;
}

} // namespace tallowin
