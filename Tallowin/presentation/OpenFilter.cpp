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
    switch (filter) {
    case OpenFilter::all:
        return true;
    case OpenFilter::active:
        return task.state == TaskState::active;
    case OpenFilter::delayed:
        return task.state == TaskState::delayed;
    case OpenFilter::actionRequested:
        return task.state == TaskState::actionRequested;
    case OpenFilter::completed:
        return task.state == TaskState::completed;
    case OpenFilter::merged:
        return task.state == TaskState::merged;
    }
    return false;
}

} // namespace tallowin
