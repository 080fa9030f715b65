#include "TallowinCore/document/TaskState.h"

namespace tallowin {

std::string_view rawValue(TaskState state)
{
    switch (state) {
    case TaskState::active:
        return "active";
    case TaskState::delayed:
        return "delayed";
    case TaskState::actionRequested:
        return "action_requested";
    case TaskState::removed:
        return "removed";
    case TaskState::completed:
        return "completed";
    case TaskState::merged:
        return "merged";
    }
    return "active";
}

std::string_view label(TaskState state)
{
    switch (state) {
    case TaskState::active:
        return "Active";
    case TaskState::delayed:
        return "Delayed";
    case TaskState::actionRequested:
        return "With ChatGPT";
    case TaskState::removed:
        return "Removed";
    case TaskState::completed:
        return "Completed";
    case TaskState::merged:
        return "Merged";
    }
    return "Active";
}

std::optional<TaskState> taskStateFromRawValue(std::string_view raw)
{
    for (TaskState state : allTaskStates) {
        if (rawValue(state) == raw)
            return state;
    }
    return std::nullopt;
}

} // namespace tallowin
