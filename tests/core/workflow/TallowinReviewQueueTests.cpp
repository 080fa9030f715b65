#include "TallowinCore/workflow/TallowinReviewQueue.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::makeDocument;
using test::makeTask;

using IDs = std::vector<std::string>;

IDs queueIDs(const TallowinDocument &document)
{
    const TallowinDocument before = document;
    IDs ids = TallowinReviewQueue::ids(document);
    EXPECT_EQ(document, before);

    IDs fromCards;
    for (const TaskItem &task : TallowinReviewQueue::of(document))
        fromCards.push_back(task.id);
    EXPECT_EQ(fromCards, ids) << "of() and ids() list the same queue";
    return ids;
}

TEST(TallowinReviewQueue, WithoutRunHighlightedCardsComeFirstThenOrder)
{
    auto document = makeDocument({makeTask("KB-003", 3), makeTask("KB-001", 1), makeTask("KB-002", 2)});
    EXPECT_EQ(queueIDs(document), (IDs {"KB-001", "KB-002", "KB-003"}));

    document.tasks[0].highlighted = true;
    document.tasks[1].highlighted = false;
    EXPECT_EQ(queueIDs(document), (IDs {"KB-003", "KB-001", "KB-002"})) << "false ranks like absent";

    document.tasks[2].highlighted = true;
    EXPECT_EQ(queueIDs(document), (IDs {"KB-002", "KB-003", "KB-001"})) << "order within the highlighted group";
}

TEST(TallowinReviewQueue, WithoutRunEqualOrdersKeepDocumentOrder)
{
    const auto document = makeDocument({makeTask("KB-b", 5), makeTask("KB-a", 5), makeTask("KB-c", 4)});
    EXPECT_EQ(queueIDs(document), (IDs {"KB-c", "KB-b", "KB-a"}));
}

TEST(TallowinReviewQueue, WithoutRunOnlyActiveCardsAreListed)
{
    auto document = makeDocument(
        {makeTask("KB-001", 1), makeTask("KB-002", 2, TaskState::delayed), makeTask("KB-003", 3, TaskState::completed),
            makeTask("KB-004", 4, TaskState::removed), makeTask("KB-005", 5, TaskState::actionRequested),
            makeTask("KB-006", 6, TaskState::merged), makeTask("KB-007", 7)});
    document.tasks[5].mergedInto = "KB-001";
    EXPECT_EQ(queueIDs(document), (IDs {"KB-001", "KB-007"}));

    // A processed list without run cards still hides what it names.
    document.runProcessedIDs = IDs {"KB-007"};
    EXPECT_EQ(queueIDs(document), (IDs {"KB-001"}));
}

TEST(TallowinReviewQueue, WithRunShowsWhatIsLeftInRunOrder)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2, TaskState::completed),
        makeTask("KB-003", 3, TaskState::delayed), makeTask("KB-004", 4, TaskState::delayed), makeTask("KB-005", 5),
        makeTask("KB-006", 6), makeTask("KB-007", 7, TaskState::actionRequested)});
    document.tasks[5].highlighted = true;
    document.runID = "run";
    // KB-002 was completed since, KB-gone no longer exists, KB-004 was delayed in this run.
    document.runTaskIDs = IDs {"KB-005", "KB-002", "KB-gone", "KB-003", "KB-004", "KB-001", "KB-007"};
    document.runProcessedIDs = IDs {"KB-004"};

    EXPECT_EQ(queueIDs(document), (IDs {"KB-005", "KB-003", "KB-001"}))
        << "run order, not card order; highlight does not rank a run; cards outside the run stay out";
}

TEST(TallowinReviewQueue, EmptyRunGivesEmptyQueue)
{
    auto document = makeDocument({makeTask("KB-001", 1), makeTask("KB-002", 2)});
    document.runID = "run";
    document.runTaskIDs = IDs {};
    EXPECT_TRUE(queueIDs(document).empty());
}

TEST(TallowinReviewQueue, CardsAreCopiedWhole)
{
    auto document = makeDocument({makeTask("KB-001", 2), makeTask("KB-002", 1)});
    document.tasks[0].history = {test::makeEvent("h1")};
    document.tasks[0].sources = {TaskSource {"PR", "https://example.com/pr/1", std::nullopt, std::nullopt, {}}};
    const auto queue = TallowinReviewQueue::of(document);
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue[0], document.tasks[1]);
    EXPECT_EQ(queue[1], document.tasks[0]);
}

} // namespace
} // namespace tallowin
