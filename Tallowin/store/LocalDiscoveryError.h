#pragma once

#include "TallowinCore/base/TallowinError.h"

namespace tallowin {

// Why a discovery scan could not be handed to Codex.
class LocalDiscoveryError : public TallowinError
{
public:
    enum class Kind { invalidLink, codexUnavailable };

    static LocalDiscoveryError invalidLink() { return LocalDiscoveryError(Kind::invalidLink); }
    static LocalDiscoveryError codexUnavailable() { return LocalDiscoveryError(Kind::codexUnavailable); }

    Kind kind() const { return m_kind; }

private:
    explicit LocalDiscoveryError(Kind kind)
        : TallowinError(kind == Kind::invalidLink ? "Tallowin could not prepare the Codex task scan."
                                                  : "Tallowin could not open Codex. Install Codex, then try again.")
        , m_kind(kind)
    { }

    Kind m_kind;
};

} // namespace tallowin
