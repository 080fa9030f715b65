#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <algorithm>
#include <string_view>

namespace tallowin {

// The card with this ID, or null. Sheets look their card up on every change, since a reload may have taken it.
inline const TaskItem *findTask(const TallowinDocument &document, std::string_view id)
{
    const auto found = std::find_if(
        document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) { return task.id == id; });
    return found == document.tasks.end() ? nullptr : &*found;
}

} // namespace tallowin
