#include "TallowinCore/merge/TallowinSyncError.h"

namespace tallowin {

TallowinSyncError::TallowinSyncError(Kind kind, std::string message, const std::string &sentence)
    : TallowinError(sentence)
    , m_kind(kind)
    , m_message(std::move(message))
{ }

TallowinSyncError TallowinSyncError::unavailable(const std::string &message)
{
    return {Kind::unavailable, message, message};
}

TallowinSyncError TallowinSyncError::changedRemotely()
{
    return {Kind::changedRemotely, {}, "Another device just saved changes. Sync again to combine them."};
}

TallowinSyncError TallowinSyncError::accountChanged()
{
    return {Kind::accountChanged, {},
        "This deck belongs to another Apple Account. Sign back into that account to sync. Your local tasks are "
        "safe."};
}

} // namespace tallowin
