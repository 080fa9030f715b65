#include "TallowinCore/workflow/TallowinDomainError.h"

namespace tallowin {

TallowinDomainError::TallowinDomainError(Kind kind, std::string id, const std::string &message)
    : TallowinError(message)
    , m_kind(kind)
    , m_id(std::move(id))
{ }

TallowinDomainError TallowinDomainError::candidateNotFound(const std::string &candidateID)
{
    return {Kind::candidateNotFound, candidateID, "Task candidate " + candidateID + " was not found."};
}

TallowinDomainError TallowinDomainError::taskNotFound(const std::string &taskID)
{
    return {Kind::taskNotFound, taskID, "Task " + taskID + " was not found."};
}

TallowinDomainError TallowinDomainError::mergeRequiresRelatedTask()
{
    return {Kind::mergeRequiresRelatedTask, {}, "Select at least one related task to merge."};
}

} // namespace tallowin
