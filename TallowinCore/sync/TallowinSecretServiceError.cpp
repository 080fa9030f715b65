#include "TallowinCore/sync/TallowinSecretServiceError.h"

namespace tallowin {

TallowinSecretServiceError::TallowinSecretServiceError(Kind kind, const std::string &sentence)
    : TallowinError(sentence)
    , m_kind(kind)
{ }

TallowinSecretServiceError TallowinSecretServiceError::notRunning()
{
    return {Kind::notRunning,
        "No Secret Service is running, so Tallowin cannot reach the sync password. Start your desktop’s keyring "
        "(GNOME Keyring, KWallet or KeePassXC) and try again."};
}

TallowinSecretServiceError TallowinSecretServiceError::locked()
{
    return {Kind::locked, "The keyring that holds the sync password is locked. Unlock it and try again."};
}

TallowinSecretServiceError TallowinSecretServiceError::dismissed()
{
    return {Kind::dismissed,
        "The request to unlock the keyring was dismissed, so Tallowin could not use the sync password."};
}

TallowinSecretServiceError TallowinSecretServiceError::failed(const std::string &action, const std::string &reason)
{
    std::string sentence = "The Secret Service could not " + action + " the sync password";
    if (!reason.empty())
        sentence += ": " + reason;
    while (!sentence.empty() && (sentence.back() == '.' || sentence.back() == '\n'))
        sentence.pop_back();
    return {Kind::failed, sentence + "."};
}

} // namespace tallowin
