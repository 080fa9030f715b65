#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <string>

namespace tallowin {

// The error of review decisions and deck commands.
class TALLOWIN_CORE_EXPORT TallowinDomainError : public TallowinError
{
public:
    enum class Kind { candidateNotFound, taskNotFound, mergeRequiresRelatedTask };

    static TallowinDomainError candidateNotFound(const std::string &candidateID);
    static TallowinDomainError taskNotFound(const std::string &taskID);
    static TallowinDomainError mergeRequiresRelatedTask();

    Kind kind() const { return m_kind; }
    // The carried candidate or card ID; empty for mergeRequiresRelatedTask.
    const std::string &id() const { return m_id; }

    friend bool operator==(const TallowinDomainError &a, const TallowinDomainError &b)
    {
        return a.m_kind == b.m_kind && a.m_id == b.m_id;
    }

private:
    TallowinDomainError(Kind kind, std::string id, const std::string &message);

    Kind m_kind;
    std::string m_id;
};

} // namespace tallowin
