#include "TallowinCore/document/TaskOrder.h"

#include <algorithm>
#include <limits>

namespace tallowin {

std::int64_t TaskOrder::largest(const std::vector<TaskItem> &tasks)
{
    if (tasks.empty())
        return 0;
    std::int64_t result = std::numeric_limits<std::int64_t>::min();
    for (const TaskItem &task : tasks)
        result = std::max(result, task.order);
    return result;
}

std::int64_t TaskOrder::after(std::int64_t order)
{
    return order == std::numeric_limits<std::int64_t>::max() ? order : order + 1;
}

} // namespace tallowin
