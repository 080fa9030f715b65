#pragma once

#include "Tallowin/presentation/TaskSearchQuery.h"
#include "TallowinCore/document/TaskItem.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tallowin {

// What a card list shows of one card, and the folded text it is found by.
struct TaskSearchEntry
{
    std::string id;
    std::string title;
    std::string person;
    TaskState state = TaskState::active;
    // The title and the person, folded.
    std::string key;
};

// The cards of a deck in the store's order (highlighted first, then by order), ready to be searched as the user
// types. Built once per published deck; a search then only compares folded texts.
class TaskSearchIndex
{
public:
    using Row = std::uint32_t;

    TaskSearchIndex() = default;
    // previous, when given, lends the keys of cards whose title and person did not change, so that a deck that
    // changed one card is not folded again as a whole.
    explicit TaskSearchIndex(const std::vector<TaskItem> &tasks, const TaskSearchIndex *previous = nullptr);

    const std::vector<TaskSearchEntry> &entries() const { return m_entries; }
    // Rows of the entries that match the query and that keep accepts, in order.
    std::vector<Row> matching(
        const TaskSearchQuery &query, const std::function<bool(const TaskSearchEntry &)> &keep = {}) const;
    // The row of the card with this ID, or -1.
    std::int64_t rowOf(const std::string &id) const;

private:
    std::vector<TaskSearchEntry> m_entries;
};

} // namespace tallowin
