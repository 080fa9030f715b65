#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <string>

namespace tallowin {

// Why the Secret Service could not keep or hand out the sync password. None of the sentences carries the
// password.
class TALLOWIN_CORE_EXPORT TallowinSecretServiceError : public TallowinError
{
public:
    enum class Kind { notRunning, locked, dismissed, failed };

    // No session bus, or nobody on it provides the Secret Service.
    static TallowinSecretServiceError notRunning();
    // The keyring is locked and Tallowin was not to ask for it to be unlocked.
    static TallowinSecretServiceError locked();
    // Tallowin asked for the keyring to be unlocked, and the prompt was dismissed or refused.
    static TallowinSecretServiceError dismissed();
    // Anything else; action is what was attempted ("read", "store", "remove"), reason the service's words.
    static TallowinSecretServiceError failed(const std::string &action, const std::string &reason);

    Kind kind() const { return m_kind; }

    friend bool operator==(const TallowinSecretServiceError &a, const TallowinSecretServiceError &b)
    {
        return a.m_kind == b.m_kind && std::string_view(a.what()) == std::string_view(b.what());
    }

private:
    TallowinSecretServiceError(Kind kind, const std::string &sentence);

    Kind m_kind;
};

} // namespace tallowin
