#include "Tallowin/presentation/TaskSearchIndex.h"

#include "TallowinCore/document/TaskOrder.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace tallowin {

namespace {

std::string keyOf(const TaskItem &task)
{
    std::string key = TaskSearchQuery::folded(task.title);
    // A line break cannot be part of a search word, so no word matches across the two.
    key += '\n';
    key += TaskSearchQuery::folded(task.person);
    return key;
}

} // namespace

TaskSearchIndex::TaskSearchIndex(const std::vector<TaskItem> &tasks, const TaskSearchIndex *previous)
{
    std::vector<std::size_t> order(tasks.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
        [&](std::size_t left, std::size_t right) { return TaskOrder::precedes(tasks[left], tasks[right]); });

    std::unordered_map<std::string_view, const TaskSearchEntry *> known;
    if (previous) {
        known.reserve(previous->m_entries.size());
        for (const TaskSearchEntry &entry : previous->m_entries)
            known.emplace(entry.id, &entry);
    }
    m_entries.reserve(tasks.size());
    for (const std::size_t index : order) {
        const TaskItem &task = tasks[index];
        TaskSearchEntry entry {task.id, task.title, task.person, task.state, {}};
        const auto found = known.find(task.id);
        if (found != known.end() && found->second->title == task.title && found->second->person == task.person)
            entry.key = found->second->key;
        else
            entry.key = keyOf(task);
        m_entries.push_back(std::move(entry));
    }
}

std::vector<TaskSearchIndex::Row> TaskSearchIndex::matching(
    const TaskSearchQuery &query, const std::function<bool(const TaskSearchEntry &)> &keep) const
{
    std::vector<Row> rows;
    rows.reserve(m_entries.size());
    for (std::size_t row = 0; row < m_entries.size(); ++row) {
        const TaskSearchEntry &entry = m_entries[row];
        if ((!keep || keep(entry)) && query.matches(entry.key))
            rows.push_back(Row(row));
    }
    return rows;
}

std::int64_t TaskSearchIndex::rowOf(const std::string &id) const
{
    for (std::size_t row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row].id == id)
            return std::int64_t(row);
    }
    return -1;
}

} // namespace tallowin
