#pragma once

#include "TallowinCore/document/TaskItem.h"

#include <string_view>

namespace tallowin {

// The task browser's filter.
enum class OpenFilter { all, active, delayed, actionRequested, completed, merged };

// The text on the filter's button.
std::string_view label(OpenFilter filter);
// Whether the browser lists the card under the filter; all lists every card, removed ones included.
bool shows(OpenFilter filter, const TaskItem &task);
bool shows(OpenFilter filter, TaskState state);
// The filters in the order the browser offers them.
inline constexpr OpenFilter allOpenFilters[] = {OpenFilter::all, OpenFilter::active, OpenFilter::delayed,
    OpenFilter::actionRequested, OpenFilter::completed, OpenFilter::merged};

} // namespace tallowin
