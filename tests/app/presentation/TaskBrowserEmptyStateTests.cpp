// What the task browser says when its list is empty.
#include "Tallowin/presentation/TaskBrowserEmptyState.h"

#include <gtest/gtest.h>

using namespace tallowin;

TEST(TaskBrowserEmptyState, namesWhyTheListIsEmptyAndWhereToLookInstead)
{
    using Counts = TaskBrowserEmptyState::Counts;
    struct Case
    {
        Counts counts;
        OpenFilter filter;
        bool searching;
        std::optional<TaskBrowserEmptyState> expected;
    };
    const Case cases[] = {
        {{5, 3, 0}, OpenFilter::completed, false, std::nullopt},
        {{0, 0, 0}, OpenFilter::all, false, TaskBrowserEmptyState {"No tasks here yet", ""}},
        {{0, 0, 0}, OpenFilter::merged, true, TaskBrowserEmptyState {"No tasks here yet", ""}},
        {{5, 0, 0}, OpenFilter::all, true, TaskBrowserEmptyState {"No matches", "Try another title or person."}},
        {{5, 0, 0}, OpenFilter::completed, true, TaskBrowserEmptyState {"No matches", "Try another title or person."}},
        {{5, 0, 2}, OpenFilter::completed, true,
            TaskBrowserEmptyState {"No matches", "Try All tasks to see the rest of your deck."}},
        {{5, 0, 5}, OpenFilter::merged, false,
            TaskBrowserEmptyState {"No tasks here yet", "Try All tasks to see the rest of your deck."}},
    };
    for (const Case &test : cases) {
        EXPECT_EQ(TaskBrowserEmptyState::of(test.counts, test.filter, test.searching), test.expected)
            << test.counts.deck << " " << test.counts.shown << " " << test.counts.foundInAll;
    }
}
