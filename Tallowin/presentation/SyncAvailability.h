#pragma once

#include "TallowinCore/base/TallowinEnvironment.h"

#include <string>

namespace tallowin {

// Whether "Sync now" can do anything, and if not, the plain sentence that says why.
struct SyncAvailability
{
    bool canSync = false;
    // Empty when sync can run.
    std::string explanation;

    struct Deck
    {
        // The deck is the usual Tallowin file, not one named by TALLOWIN_FILE_PATH.
        bool usesCanonicalStorage = false;
        // The store made its sync coordinator, which happens after the first load.
        bool hasCoordinator = false;
    };

    // Reads the sync address the way the coordinator's transport does (TALLOWIN_SYNC_URL or the sync-url file).
    static SyncAvailability of(const Deck &deck, const Environment &environment);

    friend bool operator==(const SyncAvailability &, const SyncAvailability &) = default;
};

} // namespace tallowin
