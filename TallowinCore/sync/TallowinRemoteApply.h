#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/storage/TallowinRepository.h"

namespace tallowin {

// Brings a deck from the cloud into the local file.
struct TALLOWIN_CORE_EXPORT TallowinRemoteApply
{
    // Merges remote into the deck file as it is now, against basedOn (the deck the sync started from), in one write
    // of the repository, keeping the replaced deck in "SyncBackups"; a merge that changes nothing writes nothing.
    // Throws TallowinSyncError::unavailable when a legacy card ID names different cards on the two sides, with
    // nothing written.
    static TallowinDocument applyRemote(
        TallowinRepository &repository, const TallowinDocument &remote, const TallowinDocument &basedOn);
};

} // namespace tallowin
