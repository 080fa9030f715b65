#pragma once

#include "Tallowin/presentation/OpenFilter.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tallowin {

// What the task browser says instead of an empty list.
struct TaskBrowserEmptyState
{
    std::string title;
    // Empty when there is nothing to suggest.
    std::string hint;

    struct Counts
    {
        std::size_t deck = 0;
        // Cards the browser lists with its filter and search.
        std::size_t shown = 0;
        // Cards the search finds under "All cards".
        std::size_t foundInAll = 0;
    };

    // Nothing while the list has cards.
    static std::optional<TaskBrowserEmptyState> of(const Counts &counts, OpenFilter filter, bool searching);

    friend bool operator==(const TaskBrowserEmptyState &, const TaskBrowserEmptyState &) = default;
};

} // namespace tallowin
