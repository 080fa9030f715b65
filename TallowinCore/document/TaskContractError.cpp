#include "TallowinCore/document/TaskContractError.h"

namespace tallowin {

TaskContractError::TaskContractError(Kind kind, std::string text, std::int64_t version, const std::string &message)
    : TallowinError(message)
    , m_kind(kind)
    , m_text(std::move(text))
    , m_version(version)
{ }

TaskContractError TaskContractError::unsupportedSchemaVersion(std::int64_t version)
{
    return {Kind::unsupportedSchemaVersion, {}, version,
        "Task contract schema version " + std::to_string(version) + " is not supported."};
}

TaskContractError TaskContractError::emptyField(const std::string &fieldName)
{
    return {Kind::emptyField, fieldName, 0, "Task contract field " + fieldName + " must not be empty."};
}

TaskContractError TaskContractError::invalidSourceURL(const std::string &url)
{
    return {Kind::invalidSourceURL, url, 0, "Task contract source URL is invalid: " + url};
}

TaskContractError TaskContractError::queuedInstructionChange(const std::string &taskID)
{
    return {Kind::queuedInstructionChange, taskID, 0,
        "Pipeline input cannot replace the queued agent instruction for " + taskID + "."};
}

} // namespace tallowin
