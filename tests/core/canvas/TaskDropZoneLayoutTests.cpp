#include "TallowinCore/canvas/TaskDropZoneLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace tallowin {

void PrintTo(const CanvasRect &rect, std::ostream *out)
{
    *out << "(" << rect.origin.x << ", " << rect.origin.y << ", " << rect.size.width << ", " << rect.size.height << ")";
}

namespace {

CanvasRect rect(double x, double y, double width, double height)
{
    return {{x, y}, {width, height}};
}

TEST(TaskDropZoneLayout, FixedSizes)
{
    EXPECT_EQ(TaskDropZoneLayout::removeSize, (CanvasSize {220, 300}));
    EXPECT_EQ(TaskDropZoneLayout::delaySize, (CanvasSize {330, 113}));
    EXPECT_EQ(TaskDropZoneLayout::delaySpacing, 2);
}

TEST(TaskDropZoneLayout, WideCanvasWithThreeLaterPiles)
{
    const TaskDropZoneLayout layout({1600, 900}, 3);
    EXPECT_EQ(layout.removeFrame, rect(260, 300, 220, 300));
    const std::vector<CanvasRect> expected
        = {rect(1118, 278.5, 330, 113), rect(1118, 393.5, 330, 113), rect(1118, 508.5, 330, 113)};
    EXPECT_EQ(layout.delayFrames, expected);
}

TEST(TaskDropZoneLayout, OneLaterPileIsCentredVertically)
{
    const TaskDropZoneLayout layout({1600, 900}, 1);
    EXPECT_EQ(layout.delayFrames, std::vector<CanvasRect> {rect(1118, 393.5, 330, 113)});
}

TEST(TaskDropZoneLayout, ZonesShrinkToTheSideRoom)
{
    // S = (1000 - 620) / 2 - 32 = 158, so both zones are 158 wide. The remove zone's centre is pushed right to
    // 158 / 2 + 24 = 103; the later column's is held back to 1000 - 24 - 158 / 2 = 897 by the right margin.
    const TaskDropZoneLayout layout({1000, 700}, 2);
    EXPECT_EQ(layout.removeFrame, rect(24, 200, 158, 300));
    const std::vector<CanvasRect> expected = {rect(818, 236, 158, 113), rect(818, 351, 158, 113)};
    EXPECT_EQ(layout.delayFrames, expected);
}

TEST(TaskDropZoneLayout, NarrowCanvasHasNoSideRoom)
{
    for (const double width : {684.0, 500.0}) {
        const TaskDropZoneLayout layout({width, 600}, 1);
        EXPECT_EQ(layout.removeFrame, rect(24, 150, 0, 300)) << width;
        ASSERT_EQ(layout.delayFrames.size(), 1u);
        EXPECT_EQ(layout.delayFrames[0].size, (CanvasSize {0, 113})) << width;
        EXPECT_EQ(layout.delayFrames[0].origin.x, width - 24) << width;
        EXPECT_FALSE(std::signbit(layout.removeFrame.size.width));
    }
}

TEST(TaskDropZoneLayout, NoLaterZonesWithoutDestinations)
{
    EXPECT_TRUE(TaskDropZoneLayout({1600, 900}, 0).delayFrames.empty());
    EXPECT_TRUE(TaskDropZoneLayout({1600, 900}, -2).delayFrames.empty());
    EXPECT_EQ(TaskDropZoneLayout({1600, 900}, 0).removeFrame, rect(260, 300, 220, 300));
}

} // namespace
} // namespace tallowin
