#pragma once

#include "TallowinCore/document/TaskHistoryEvent.h"
#include "TallowinCore/document/TaskKind.h"
#include "TallowinCore/document/TaskSource.h"
#include "TallowinCore/document/TaskState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// One card of the deck.
struct TaskItem
{
    std::string id;
    std::int64_t order = 0;
    std::string person;
    std::string title;
    std::string context;
    TaskKind kind = TaskKind::commitment;
    TaskState state = TaskState::active;
    std::optional<std::string> resumeAt;
    std::optional<std::string> delayTarget;
    std::string instruction;
    std::optional<std::string> followUpPerson;
    std::string result;
    std::optional<bool> highlighted;
    std::optional<std::string> captureOrigin;
    std::vector<TaskSource> sources;
    std::vector<TaskHistoryEvent> history;
    std::optional<std::vector<std::string>> mergedTaskIDs;
    std::optional<std::string> mergedInto;
    std::string createdAt;
    std::string updatedAt;

    friend bool operator==(const TaskItem &, const TaskItem &) = default;
};

} // namespace tallowin
