#include "TallowinCore/workflow/TallowinReviewQueue.h"

#include "TallowinCore/document/TaskOrder.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tallowin {

namespace {

bool isReviewable(const TaskItem &task)
{
    return task.state == TaskState::active || task.state == TaskState::delayed;
}

// Positions in document.tasks of the queue's cards, in queue order.
std::vector<std::size_t> queueIndices(const TallowinDocument &document)
{
    std::unordered_set<std::string_view> processed;
    if (document.runProcessedIDs) {
        processed.reserve(document.runProcessedIDs->size());
        processed.insert(document.runProcessedIDs->begin(), document.runProcessedIDs->end());
    }
    const auto keeps = [&](const TaskItem &task) { return isReviewable(task) && !processed.contains(task.id); };

    std::vector<std::size_t> result;
    if (document.runTaskIDs) {
        // IDs are unique in a valid deck; should one repeat anyway, the first card with it counts.
        std::unordered_map<std::string_view, std::size_t> byID;
        byID.reserve(document.tasks.size());
        for (std::size_t index = 0; index < document.tasks.size(); ++index)
            byID.try_emplace(document.tasks[index].id, index);
        result.reserve(document.runTaskIDs->size());
        for (const std::string &id : *document.runTaskIDs) {
            const auto found = byID.find(id);
            if (found != byID.end() && keeps(document.tasks[found->second]))
                result.push_back(found->second);
        }
        return result;
    }

    for (std::size_t index = 0; index < document.tasks.size(); ++index) {
        const TaskItem &task = document.tasks[index];
        if (task.state == TaskState::active && !processed.contains(task.id))
            result.push_back(index);
    }
    std::stable_sort(result.begin(), result.end(),
        [&](std::size_t a, std::size_t b) { return TaskOrder::precedes(document.tasks[a], document.tasks[b]); });
    return result;
}

} // namespace

std::vector<TaskItem> TallowinReviewQueue::of(const TallowinDocument &document)
{
    const std::vector<std::size_t> indices = queueIndices(document);
    std::vector<TaskItem> result;
    result.reserve(indices.size());
    for (const std::size_t index : indices)
        result.push_back(document.tasks[index]);
    return result;
}

std::vector<std::string> TallowinReviewQueue::ids(const TallowinDocument &document)
{
    const std::vector<std::size_t> indices = queueIndices(document);
    std::vector<std::string> result;
    result.reserve(indices.size());
    for (const std::size_t index : indices)
        result.push_back(document.tasks[index].id);
    return result;
}

} // namespace tallowin
