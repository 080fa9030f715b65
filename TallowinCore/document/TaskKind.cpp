#include "TallowinCore/document/TaskKind.h"

namespace tallowin {

std::string_view rawValue(TaskKind kind)
{
    switch (kind) {
    case TaskKind::commitment:
        return "commitment";
    case TaskKind::open:
        return "open";
    case TaskKind::waitingOn:
        return "waiting_on";
    case TaskKind::atRisk:
        return "at_risk";
    case TaskKind::decision:
        return "decision";
    case TaskKind::check:
        return "check";
    case TaskKind::dependency:
        return "dependency";
    }
    return "commitment";
}

std::string_view label(TaskKind kind)
{
    switch (kind) {
    case TaskKind::commitment:
        return "Commitment";
    case TaskKind::open:
        return "Open";
    case TaskKind::waitingOn:
        return "Waiting on";
    case TaskKind::atRisk:
        return "At risk";
    case TaskKind::decision:
        return "Decision";
    case TaskKind::check:
        return "Check";
    case TaskKind::dependency:
        return "Dependency";
    }
    return "Commitment";
}

std::string_view caseName(TaskKind kind)
{
    switch (kind) {
    case TaskKind::waitingOn:
        return "waitingOn";
    case TaskKind::atRisk:
        return "atRisk";
    default:
        return rawValue(kind);
    }
}

std::optional<TaskKind> taskKindFromRawValue(std::string_view raw)
{
    for (TaskKind kind : allTaskKinds) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

} // namespace tallowin
