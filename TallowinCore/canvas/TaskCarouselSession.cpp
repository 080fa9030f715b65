#include "TallowinCore/canvas/TaskCarouselSession.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace tallowin {

TaskCarouselSession::TaskCarouselSession(const std::vector<std::string> &taskIDs)
{
    std::unordered_set<std::string_view> seen;
    seen.reserve(taskIDs.size());
    for (const std::string &id : taskIDs) {
        if (seen.insert(id).second)
            m_taskIDs.push_back(id);
    }
}

std::optional<std::string> TaskCarouselSession::currentTaskID() const
{
    if (m_taskIDs.empty())
        return std::nullopt;
    return m_taskIDs.front();
}

void TaskCarouselSession::moveCurrentToBack()
{
    if (m_taskIDs.size() >= 2)
        std::rotate(m_taskIDs.begin(), m_taskIDs.begin() + 1, m_taskIDs.end());
}

void TaskCarouselSession::finish(const std::set<std::string> &taskIDs)
{
    std::erase_if(m_taskIDs, [&](const std::string &id) { return taskIDs.contains(id); });
}

} // namespace tallowin
