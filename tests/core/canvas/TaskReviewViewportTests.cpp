#include "TallowinCore/canvas/TaskReviewViewport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace tallowin {

void PrintTo(const CanvasSize &size, std::ostream *out)
{
    *out << size.width << " x " << size.height;
}

namespace {

TEST(TaskReviewViewport, CardShrinksToTheAvailableSpace)
{
    EXPECT_EQ(TaskReviewViewport({300, 200}, {420, 560}).cardSize, (CanvasSize {300, 200}));
    EXPECT_EQ(TaskReviewViewport({1200, 200}, {420, 560}).cardSize, (CanvasSize {420, 200}));
    EXPECT_EQ(TaskReviewViewport({1200, 900}, {420, 560}).cardSize, (CanvasSize {420, 560}));
    EXPECT_EQ(TaskReviewViewport({300.25, 199.75}, {420, 560}).cardSize, (CanvasSize {300.25, 199.75}));
}

TEST(TaskReviewViewport, NeverNegative)
{
    EXPECT_EQ(TaskReviewViewport({-10, -0.5}, {420, 560}).cardSize, (CanvasSize {0, 0}));
    EXPECT_EQ(TaskReviewViewport({300, 200}, {-5, 100}).cardSize, (CanvasSize {0, 100}));
}

TEST(TaskReviewViewport, NegativeZeroBecomesPositiveZero)
{
    const CanvasSize card = TaskReviewViewport({-0.0, 200}, {420, -0.0}).cardSize;
    EXPECT_EQ(card, (CanvasSize {0, 0}));
    EXPECT_FALSE(std::signbit(card.width));
    EXPECT_FALSE(std::signbit(card.height));
}

} // namespace
} // namespace tallowin
