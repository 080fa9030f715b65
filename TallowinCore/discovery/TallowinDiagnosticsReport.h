#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/discovery/TallowinDiagnosticsInput.h"

#include <string>

namespace tallowin {

// The Markdown report a user attaches to a support request: the deck's shape, the settings' switches and
// the recent scans, without what the cards say. Titles, contexts, persons, instructions, results, source
// links and history notes never appear; identifiers, states, times, counts and event types do.
struct TALLOWIN_CORE_EXPORT TallowinDiagnosticsReport
{
    static std::string build(const TallowinDiagnosticsInput &input, TallowinInstant now);
};

} // namespace tallowin
