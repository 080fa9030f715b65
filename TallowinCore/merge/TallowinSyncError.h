#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <string>

namespace tallowin {

// Why a sync cannot go on: the cloud or the merge is unavailable, another device saved first, or the deck is
// bound to another cloud account.
class TALLOWIN_CORE_EXPORT TallowinSyncError : public TallowinError
{
public:
    enum class Kind { unavailable, changedRemotely, accountChanged };

    // The message is shown to the user as it is.
    static TallowinSyncError unavailable(const std::string &message);
    static TallowinSyncError changedRemotely();
    static TallowinSyncError accountChanged();

    Kind kind() const { return m_kind; }
    // The message of unavailable; empty for the other cases.
    const std::string &message() const { return m_message; }

    friend bool operator==(const TallowinSyncError &a, const TallowinSyncError &b)
    {
        return a.m_kind == b.m_kind && a.m_message == b.m_message;
    }

private:
    TallowinSyncError(Kind kind, std::string message, const std::string &sentence);

    Kind m_kind;
    std::string m_message;
};

} // namespace tallowin
