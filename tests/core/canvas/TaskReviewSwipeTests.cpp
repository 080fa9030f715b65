#include "TallowinCore/canvas/TaskReviewSwipe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tallowin {
namespace {

std::optional<TaskReviewSwipe::Kind> intent(double dx, double dy, double commitDistance = 60)
{
    const auto swipe = TaskReviewSwipe::intent({dx, dy}, commitDistance);
    return swipe ? std::optional(swipe->kind()) : std::nullopt;
}

using Kind = TaskReviewSwipe::Kind;

TEST(TaskReviewSwipe, NothingBeforeTheCommitDistance)
{
    EXPECT_EQ(intent(-40, 10), std::nullopt);
    EXPECT_EQ(intent(59.999, -59.999), std::nullopt);
    EXPECT_EQ(intent(0, 0, 0.5), std::nullopt);
}

TEST(TaskReviewSwipe, ReachingTheDistanceOnEitherAxisCommits)
{
    EXPECT_EQ(intent(60, 0), Kind::later) << "exactly the distance is enough";
    EXPECT_EQ(intent(-60, 0), Kind::remove);
    EXPECT_EQ(intent(0, 60), Kind::next);
    EXPECT_EQ(intent(0, -60), Kind::next);
}

TEST(TaskReviewSwipe, LongerAxisDecidesAndTiesAreHorizontal)
{
    EXPECT_EQ(intent(-80, 10), Kind::remove);
    EXPECT_EQ(intent(80, 10), Kind::later);
    EXPECT_EQ(intent(30, -90), Kind::next);
    EXPECT_EQ(intent(70, 70), Kind::later);
    EXPECT_EQ(intent(-70, 70), Kind::remove);
    EXPECT_EQ(intent(-70, -70.000001), Kind::next);
}

TEST(TaskReviewSwipe, NegativeZeroCountsAsRightwards)
{
    EXPECT_EQ(intent(-0.0, 0, 0), Kind::later);
    EXPECT_EQ(intent(-0.0, -0.0, 0), Kind::later);
    EXPECT_EQ(intent(0, 0, 0), Kind::later);
}

TEST(TaskReviewSwipe, NotANumberCommitsToNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(intent(200, 0, nan), std::nullopt);
    EXPECT_EQ(intent(nan, nan), std::nullopt);
}

TEST(TaskReviewSwipe, ValuesCompareByKind)
{
    EXPECT_EQ(TaskReviewSwipe::intent({-80, 10}, 60), TaskReviewSwipe::remove());
    EXPECT_NE(TaskReviewSwipe::remove(), TaskReviewSwipe::later());
    EXPECT_EQ(TaskReviewSwipe::next().kind(), Kind::next);
}

} // namespace
} // namespace tallowin
