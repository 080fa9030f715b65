#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <optional>

namespace tallowin {

// Where the card, its indicator column and the optional pile sit along x on the review canvas.
struct TALLOWIN_CORE_EXPORT TaskReviewLayout
{
    // width: the canvas; cardWidth and indicator: the card and the indicator column; pile: the pile's width,
    // absent when no pile is shown; inset: the margin at both ends; gap: the space between neighbours.
    TaskReviewLayout(
        double width, double cardWidth, double indicator, std::optional<double> pile, double inset, double gap);

    double cardMinX;
    double indicatorMinX;
    std::optional<double> pileMinX;
    // The narrowest canvas that fits everything; a narrower one is laid out as if it had this width.
    double minimumWidth;

    friend bool operator==(const TaskReviewLayout &, const TaskReviewLayout &) = default;
};

} // namespace tallowin
