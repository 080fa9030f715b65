#include "Tallowin/presentation/TaskBrowserEmptyState.h"

namespace tallowin {

namespace {

constexpr const char *tryAllTasks = "Try All tasks to see the rest of your deck.";

} // namespace

std::optional<TaskBrowserEmptyState> TaskBrowserEmptyState::of(const Counts &counts, OpenFilter filter, bool searching)
{
    if (counts.shown > 0)
        return std::nullopt;
    if (counts.deck == 0)
        return TaskBrowserEmptyState {"No tasks here yet", ""};
    // Pointing at All tasks only helps when the search finds something there.
    const bool elsewhere = filter != OpenFilter::all && counts.foundInAll > 0;
    if (searching)
        return TaskBrowserEmptyState {"No matches", elsewhere ? tryAllTasks : "Try another title or person."};
    return TaskBrowserEmptyState {"No tasks here yet", elsewhere ? tryAllTasks : ""};
}

} // namespace tallowin
