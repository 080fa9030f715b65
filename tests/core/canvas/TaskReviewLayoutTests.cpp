#include "TallowinCore/canvas/TaskReviewLayout.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

TEST(TaskReviewLayout, WithoutPileTheCardIsCentred)
{
    const TaskReviewLayout layout(1000, 400, 40, std::nullopt, 20, 16);
    EXPECT_EQ(layout.cardMinX, 300);
    EXPECT_EQ(layout.indicatorMinX, 716);
    EXPECT_EQ(layout.pileMinX, std::nullopt);
    EXPECT_EQ(layout.minimumWidth, 496);
}

TEST(TaskReviewLayout, WithoutPileANarrowCanvasKeepsTheIndicatorInsideTheInset)
{
    // B = 496; at 540 the centred card (70) would put the indicator at 486..526, past 540 - 20 = 520.
    const TaskReviewLayout layout(540, 400, 40, std::nullopt, 20, 16);
    EXPECT_EQ(layout.cardMinX, 64);
    EXPECT_EQ(layout.indicatorMinX, 480);
    // Narrower than the minimum: laid out as at the minimum width, starting at the inset.
    const TaskReviewLayout squeezed(300, 400, 40, std::nullopt, 20, 16);
    EXPECT_EQ(squeezed.cardMinX, 20);
    EXPECT_EQ(squeezed.indicatorMinX, 436);
    EXPECT_EQ(squeezed.minimumWidth, 496);
}

TEST(TaskReviewLayout, WithPileTheCardIsCentredLeftOfIt)
{
    const TaskReviewLayout layout(1000, 400, 40, 200.0, 20, 16);
    EXPECT_EQ(layout.minimumWidth, 712);
    EXPECT_EQ(layout.pileMinX, 780);
    EXPECT_EQ(layout.cardMinX, 192);
    EXPECT_EQ(layout.indicatorMinX, 608);
}

TEST(TaskReviewLayout, WithPileANarrowCanvasUsesTheMinimumWidth)
{
    const TaskReviewLayout layout(600, 400, 40, 200.0, 20, 16);
    EXPECT_EQ(layout.minimumWidth, 712);
    EXPECT_EQ(layout.pileMinX, 492);
    EXPECT_EQ(layout.cardMinX, 20) << "R = 20 is left of M = 48";
    EXPECT_EQ(layout.indicatorMinX, 436);
}

TEST(TaskReviewLayout, FractionsAreKeptExactly)
{
    // E = 1001.5, M = (1001.5 - 216 - 400) / 2 = 192.75, R = 1001.5 - 20 - 200 - 16 - 40 - 16 - 400 = 309.5.
    const TaskReviewLayout layout(1001.5, 400, 40, 200.0, 20, 16);
    EXPECT_EQ(layout.pileMinX, 781.5);
    EXPECT_EQ(layout.cardMinX, 192.75);
    EXPECT_EQ(layout.indicatorMinX, 608.75);
}

TEST(TaskReviewLayout, EqualityCoversEveryField)
{
    const TaskReviewLayout base(1000, 400, 40, std::nullopt, 20, 16);
    EXPECT_EQ(base, TaskReviewLayout(1000, 400, 40, std::nullopt, 20, 16));
    // A pile of zero width with no gap lays out like no pile at all, except for pileMinX.
    const TaskReviewLayout zeroPile(1000, 400, 40, 0.0, 20, 0);
    const TaskReviewLayout noPile(1000, 400, 40, std::nullopt, 20, 0);
    EXPECT_EQ(zeroPile.cardMinX, noPile.cardMinX);
    EXPECT_EQ(zeroPile.indicatorMinX, noPile.indicatorMinX);
    EXPECT_EQ(zeroPile.minimumWidth, noPile.minimumWidth);
    EXPECT_NE(zeroPile, noPile);
    const TaskReviewLayout widerIndicator(1000, 400, 60, std::nullopt, 20, 16);
    EXPECT_EQ(widerIndicator.cardMinX, base.cardMinX);
    EXPECT_EQ(widerIndicator.indicatorMinX, base.indicatorMinX);
    EXPECT_NE(widerIndicator, base) << "only minimumWidth differs";
    EXPECT_NE(base, TaskReviewLayout(1000, 400, 40, std::nullopt, 20, 17)) << "indicatorMinX differs";
    EXPECT_NE(base, TaskReviewLayout(2000, 400, 40, std::nullopt, 20, 16)) << "cardMinX differs";
}

} // namespace
} // namespace tallowin
