#include "TallowinCore/canvas/TaskCarouselPosition.h"
#include "TallowinCore/canvas/TaskCarouselSession.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using IDs = std::vector<std::string>;

TEST(TaskCarouselPosition, StartsEmpty)
{
    const TaskCarouselPosition position;
    EXPECT_TRUE(position.taskIDs.empty());
    EXPECT_EQ(position.currentTaskID, std::nullopt);
    EXPECT_EQ(position.currentIndex(), 0u);
}

TEST(TaskCarouselPosition, ObserveKeepsSurvivorsAndAppendsNewcomers)
{
    TaskCarouselPosition position;
    position.taskIDs = {"c", "x", "a"};
    position.observe({"a", "b", "c"});
    EXPECT_EQ(position.taskIDs, (IDs {"c", "a", "b"}));
    EXPECT_EQ(position.currentTaskID, "a");
    EXPECT_EQ(position.currentIndex(), 1u);

    position.observe({"b", "d", "d", "c"});
    EXPECT_EQ(position.taskIDs, (IDs {"c", "b", "d"})) << "a repeated queue ID is appended once";
    EXPECT_EQ(position.currentTaskID, "b");
    EXPECT_EQ(position.currentIndex(), 1u);
}

TEST(TaskCarouselPosition, ObserveEmptyQueueClearsEverything)
{
    TaskCarouselPosition position;
    position.observe({"a", "b"});
    position.observe({});
    EXPECT_EQ(position, TaskCarouselPosition {});
    EXPECT_EQ(position.currentIndex(), 0u);
}

TEST(TaskCarouselPosition, CurrentIndexIsZeroForAnUnknownCard)
{
    TaskCarouselPosition position;
    position.taskIDs = {"a", "b"};
    position.currentTaskID = "z";
    EXPECT_EQ(position.currentIndex(), 0u);
    position.currentTaskID = "b";
    EXPECT_EQ(position.currentIndex(), 1u);
}

TEST(TaskCarouselSession, KeepsFirstOccurrences)
{
    const TaskCarouselSession session({"a", "b", "a", "c"});
    EXPECT_EQ(session.taskIDs(), (IDs {"a", "b", "c"}));
    EXPECT_EQ(session.currentTaskID(), "a");
    EXPECT_EQ(session.remainingCount(), 3u);
}

TEST(TaskCarouselSession, RotatesAndShrinks)
{
    TaskCarouselSession session({"a", "b", "a", "c"});
    session.moveCurrentToBack();
    EXPECT_EQ(session.taskIDs(), (IDs {"b", "c", "a"}));
    EXPECT_EQ(session.currentTaskID(), "b");

    session.finish({"b", "unknown"});
    EXPECT_EQ(session.taskIDs(), (IDs {"c", "a"}));
    EXPECT_EQ(session.remainingCount(), 2u);

    session.finish({"c", "a"});
    EXPECT_EQ(session.currentTaskID(), std::nullopt);
    EXPECT_EQ(session.remainingCount(), 0u);
    session.moveCurrentToBack();
    EXPECT_EQ(session, TaskCarouselSession {});
}

TEST(TaskCarouselSession, SingleCardDoesNotMove)
{
    TaskCarouselSession session({"a"});
    session.moveCurrentToBack();
    EXPECT_EQ(session, TaskCarouselSession({"a"}));
}

} // namespace
} // namespace tallowin
