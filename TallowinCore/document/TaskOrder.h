#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TaskItem.h"

#include <cstdint>
#include <vector>

namespace tallowin {

// Card order values. Existing orders are never renumbered; new and re-queued cards go behind all others.
struct TALLOWIN_CORE_EXPORT TaskOrder
{
    // The largest order of the cards, or 0 when there are none.
    static std::int64_t largest(const std::vector<TaskItem> &tasks);
    // One past the largest order (1 for no cards). Stops at the largest 64-bit value, where orders may tie.
    static std::int64_t next(const std::vector<TaskItem> &tasks) { return after(largest(tasks)); }
    static std::int64_t after(std::int64_t order);
    // The deck's general order: highlighted cards first, then ascending order. Ties keep their deck order when
    // used with a stable sort.
    static bool precedes(const TaskItem &left, const TaskItem &right)
    {
        const bool leftHighlighted = left.highlighted.value_or(false);
        const bool rightHighlighted = right.highlighted.value_or(false);
        if (leftHighlighted != rightHighlighted)
            return leftHighlighted;
        return left.order < right.order;
    }
};

} // namespace tallowin
