#include "TallowinCore/canvas/TaskCarouselPosition.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace tallowin {

void TaskCarouselPosition::observe(const std::vector<std::string> &queueIDs)
{
    const std::unordered_set<std::string_view> inQueue(queueIDs.begin(), queueIDs.end());
    std::erase_if(taskIDs, [&](const std::string &id) { return !inQueue.contains(id); });

    std::unordered_set<std::string> known(taskIDs.begin(), taskIDs.end());
    for (const std::string &id : queueIDs) {
        if (known.insert(id).second)
            taskIDs.push_back(id);
    }

    if (queueIDs.empty())
        currentTaskID.reset();
    else
        currentTaskID = queueIDs.front();
}

std::size_t TaskCarouselPosition::currentIndex() const
{
    if (!currentTaskID)
        return 0;
    const auto found = std::find(taskIDs.begin(), taskIDs.end(), *currentTaskID);
    return found == taskIDs.end() ? 0 : static_cast<std::size_t>(found - taskIDs.begin());
}

} // namespace tallowin
