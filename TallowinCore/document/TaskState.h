#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <array>
#include <optional>
#include <string_view>

namespace tallowin {

// Where a card lives in the review flow.
enum class TaskState { active, delayed, actionRequested, removed, completed, merged };

inline constexpr std::array<TaskState, 6> allTaskStates = {TaskState::active, TaskState::delayed,
    TaskState::actionRequested, TaskState::removed, TaskState::completed, TaskState::merged};

TALLOWIN_CORE_EXPORT std::string_view rawValue(TaskState state);
// Display text; also the section heading of the deck file.
TALLOWIN_CORE_EXPORT std::string_view label(TaskState state);
TALLOWIN_CORE_EXPORT std::optional<TaskState> taskStateFromRawValue(std::string_view raw);

} // namespace tallowin
