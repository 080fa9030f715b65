#include "TallowinCore/document/TallowinValidationError.h"

namespace tallowin {

TallowinValidationError::TallowinValidationError(
    Kind kind, std::string text, std::int64_t version, const std::string &message)
    : TallowinError(message)
    , m_kind(kind)
    , m_text(std::move(text))
    , m_version(version)
{ }

TallowinValidationError TallowinValidationError::unsupportedVersion(std::int64_t version)
{
    return {Kind::unsupportedVersion, {}, version,
        "Tallowin document version " + std::to_string(version) + " is not supported."};
}

TallowinValidationError TallowinValidationError::duplicateTaskID(const std::string &id)
{
    return {Kind::duplicateTaskID, id, 0, "Tallowin contains duplicate task ID " + id + "."};
}

TallowinValidationError TallowinValidationError::duplicateHistoryID(const std::string &id)
{
    return {Kind::duplicateHistoryID, id, 0, "Tallowin contains duplicate history ID " + id + "."};
}

TallowinValidationError TallowinValidationError::invalidTimestamp(const std::string &text)
{
    return {Kind::invalidTimestamp, text, 0, "Tallowin contains an invalid timestamp: " + text + "."};
}

TallowinValidationError TallowinValidationError::invalidDelayedTask(const std::string &taskID)
{
    return {Kind::invalidDelayedTask, taskID, 0, "Delayed task " + taskID + " requires a valid resume time."};
}

TallowinValidationError TallowinValidationError::invalidRunTaskID(const std::string &id)
{
    return {Kind::invalidRunTaskID, id, 0, "Tallowin run references missing task " + id + "."};
}

TallowinValidationError TallowinValidationError::invalidProcessedTaskID(const std::string &id)
{
    return {
        Kind::invalidProcessedTaskID, id, 0, "Tallowin processed list references task outside the run: " + id + "."};
}

TallowinValidationError TallowinValidationError::invalidMergeReference(const std::string &taskID)
{
    return {Kind::invalidMergeReference, taskID, 0, "Tallowin contains an invalid merge reference for " + taskID + "."};
}

TallowinValidationError TallowinValidationError::invalidMergedTask(const std::string &taskID)
{
    return {Kind::invalidMergedTask, taskID, 0, "Merged task " + taskID + " must reference its shared task."};
}

TallowinValidationError TallowinValidationError::duplicateCandidateID(const std::string &id)
{
    return {Kind::duplicateCandidateID, id, 0, "Tallowin contains duplicate candidate ID " + id + "."};
}

TallowinValidationError TallowinValidationError::invalidCandidate(const std::string &candidateID)
{
    return {Kind::invalidCandidate, candidateID, 0, "Task candidate " + candidateID + " is incomplete or invalid."};
}

TallowinValidationError TallowinValidationError::missingRunID()
{
    return {Kind::missingRunID, {}, 0, "Tallowin has run tasks but no run ID."};
}

} // namespace tallowin
