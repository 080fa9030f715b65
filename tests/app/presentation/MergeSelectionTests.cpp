// The blend bucket and the drag rules between the merge sheet's two sides.
#include "Tallowin/presentation/MergeCardDrag.h"
#include "Tallowin/presentation/MergeSelection.h"

#include <gtest/gtest.h>

using namespace tallowin;

TEST(MergeSelection, holdsTheCurrentCardFirstAndAlways)
{
    MergeSelection selection("current");
    EXPECT_EQ(selection.ids(), std::vector<std::string> {"current"});
    EXPECT_FALSE(selection.canMerge("Shared"));

    EXPECT_TRUE(selection.add("b"));
    EXPECT_TRUE(selection.add("a"));
    EXPECT_FALSE(selection.add("a"));
    EXPECT_FALSE(selection.add("current"));
    EXPECT_EQ(selection.ids(), (std::vector<std::string> {"current", "b", "a"}));
    EXPECT_EQ(selection.selectedIDs(), (std::set<std::string> {"a", "b", "current"}));

    EXPECT_FALSE(selection.remove("current"));
    EXPECT_FALSE(selection.remove("missing"));
    EXPECT_TRUE(selection.remove("b"));
    EXPECT_EQ(selection.ids(), (std::vector<std::string> {"current", "a"}));

    selection.retain([](const std::string &id) { return id != "a" && id != "current"; });
    EXPECT_EQ(selection.ids(), std::vector<std::string> {"current"});
}

TEST(MergeSelection, mergesWithASecondCardAndANameThatIsNotBlank)
{
    MergeSelection selection("current");
    selection.add("other");
    EXPECT_TRUE(selection.canMerge("Shared"));
    EXPECT_FALSE(selection.canMerge(""));
    EXPECT_FALSE(selection.canMerge(" \n\t\u3000"));
    EXPECT_TRUE(MergeSelection::isMergeable(TaskState::completed));
    EXPECT_TRUE(MergeSelection::isMergeable(TaskState::actionRequested));
    EXPECT_FALSE(MergeSelection::isMergeable(TaskState::merged));
    EXPECT_FALSE(MergeSelection::isMergeable(TaskState::removed));
}

TEST(MergeCardDrag, travelsAsTextAndRefusesForeignPayloads)
{
    const MergeCardDrag drag {MergeArea::bucket, "KB-001"};
    EXPECT_EQ(drag.encoded(), "bucket\nKB-001");
    EXPECT_EQ(MergeCardDrag::decoded(drag.encoded()), drag);
    EXPECT_EQ(MergeCardDrag::decoded("available\nKB-9"), (MergeCardDrag {MergeArea::available, "KB-9"}));
    for (const char *foreign : {"", "KB-001", "bucket\n", "elsewhere\nKB-001"})
        EXPECT_FALSE(MergeCardDrag::decoded(foreign)) << foreign;
}

TEST(MergeCardDrag, movesCardsAcrossButNeverTheCurrentOne)
{
    struct Case
    {
        MergeArea from;
        const char *id;
        MergeArea onto;
        bool accepted;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {MergeArea::available, "new", MergeArea::bucket, true, {"current", "added", "new"}},
        {MergeArea::available, "new", MergeArea::available, false, {"current", "added"}},
        {MergeArea::available, "added", MergeArea::bucket, false, {"current", "added"}},
        {MergeArea::bucket, "added", MergeArea::available, true, {"current"}},
        {MergeArea::bucket, "added", MergeArea::bucket, false, {"current", "added"}},
        {MergeArea::bucket, "current", MergeArea::available, false, {"current", "added"}},
        {MergeArea::bucket, "stranger", MergeArea::available, false, {"current", "added"}},
    };
    for (const Case &test : cases) {
        MergeSelection selection("current");
        selection.add("added");
        const MergeCardDrag drag {test.from, test.id};
        EXPECT_EQ(drag.isAcceptedBy(test.onto, selection), test.accepted) << test.id;
        EXPECT_EQ(drag.dropOnto(test.onto, selection), test.accepted) << test.id;
        EXPECT_EQ(selection.ids(), test.after) << test.id;
    }
}
