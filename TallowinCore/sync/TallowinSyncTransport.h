#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/sync/TallowinRemoteSnapshot.h"

#include <optional>
#include <string>

namespace tallowin {

// The cloud side of a sync: one deck per account, guarded by a server-side change tag. Implementations are
// synchronous and safe to call from any thread; they serialise their own state.
class TALLOWIN_CORE_EXPORT TallowinSyncTransport
{
public:
    virtual ~TallowinSyncTransport() = default;

    // A stable identifier of the signed-in account. Throws TallowinSyncError::unavailable when there is none.
    virtual std::string accountID() = 0;
    // The stored deck and its change tag, or nothing when the cloud holds no deck yet.
    virtual std::optional<TallowinRemoteSnapshot> fetch() = 0;
    // With a token, stores the deck only if the stored copy still carries that tag, and throws
    // TallowinSyncError::changedRemotely otherwise (before uploading anything). Without one, creates the copy.
    virtual void save(const TallowinDocument &document, const std::optional<std::string> &replacing) = 0;
    // Registers for notices of changes made by other devices.
    virtual void subscribe() = 0;
};

} // namespace tallowin
