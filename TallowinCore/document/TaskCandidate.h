#pragma once

#include "TallowinCore/document/TaskKind.h"
#include "TallowinCore/document/TaskSource.h"

#include <optional>
#include <string>

namespace tallowin {

// A suggested task waiting in the inbox until it is accepted or dismissed.
struct TaskCandidate
{
    std::string id;
    std::string person;
    std::string title;
    std::string context;
    TaskKind kind = TaskKind::commitment;
    TaskSource source;
    std::optional<std::string> sourceAuthor;
    std::optional<std::string> sourceTimestamp;
    std::string classificationReason;
    std::optional<double> confidence;
    std::string discoveredAt;

    friend bool operator==(const TaskCandidate &, const TaskCandidate &) = default;
};

} // namespace tallowin
