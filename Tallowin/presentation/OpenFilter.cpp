#include "Tallowin/presentation/OpenFilter.h"

namespace tallowin {

std::string_view label(OpenFilter filter)
{
    switch (filter) {
    case OpenFilter::all:
        return "All cards";
    case OpenFilter::active:
        return "Active";
    case OpenFilter::delayed:
        return "Scheduled";
    case OpenFilter::actionRequested:
        return "With ChatGPT";
    case OpenFilter::completed:
        return "Completed";
    case OpenFilter::merged:
        return "Merged";
    }
    return "All cards";
}

bool shows(OpenFilter filter, const TaskItem &task)
{
    return shows(filter, task.state);
}

bool shows(OpenFilter filter, TaskState state)
{
    switch (filter) {
    case OpenFilter::all:
        return true;
    case OpenFilter::active:
        return state == TaskState::active;
    case OpenFilter::delayed:
        return state == TaskState::delayed;
    case OpenFilter::actionRequested:
        return state == TaskState::actionRequested;
    case OpenFilter::completed:
        return state == TaskState::completed;
    case OpenFilter::merged:
        return state == TaskState::merged;
    }
    return false;
}

} // namespace tallowin
