#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <array>
#include <optional>
#include <string_view>

namespace tallowin {

// What sort of obligation a card is.
enum class TaskKind { commitment, open, waitingOn, atRisk, decision, check, dependency };

inline constexpr std::array<TaskKind, 7> allTaskKinds = {TaskKind::commitment, TaskKind::open, TaskKind::waitingOn,
    TaskKind::atRisk, TaskKind::decision, TaskKind::check, TaskKind::dependency};

// Snake-case value as stored on disk; also the kind's identifier.
TALLOWIN_CORE_EXPORT std::string_view rawValue(TaskKind kind);
TALLOWIN_CORE_EXPORT std::string_view label(TaskKind kind);
// The case name as written in code ("waitingOn"), used by conflict notes.
TALLOWIN_CORE_EXPORT std::string_view caseName(TaskKind kind);
TALLOWIN_CORE_EXPORT std::optional<TaskKind> taskKindFromRawValue(std::string_view raw);

} // namespace tallowin
