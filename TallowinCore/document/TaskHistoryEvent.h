#pragma once

#include <string>

namespace tallowin {

// One entry of a card's history; ids are unique across the whole deck.
struct TaskHistoryEvent
{
    std::string id;
    std::string at;
    std::string type;
    std::string note;

    friend bool operator==(const TaskHistoryEvent &, const TaskHistoryEvent &) = default;
};

} // namespace tallowin
