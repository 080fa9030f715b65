#pragma once

#include "TallowinCore/TallowinCoreExport.h"

namespace tallowin {

// Coalesces reload requests with saves and with each other: at most one reload runs, and requests that
// arrive meanwhile collapse into one pending reload. A plain value owned by one thread (the store's).
struct TALLOWIN_CORE_EXPORT TallowinReloadGate
{
    bool isLoading = false;
    bool isPending = false;

    // Records the request; true when the caller should start the reload now.
    bool request(bool whileSaving);
    // Starts a pending reload once nothing else runs; called when a save or a reload has finished.
    bool beginIfReady(bool whileSaving);
    // Ends the running reload; a request that came during it stays pending.
    void finish();

    friend bool operator==(const TallowinReloadGate &, const TallowinReloadGate &) = default;
};

} // namespace tallowin
