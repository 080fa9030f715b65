#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/document/TaskContract.h"

#include <string>
#include <vector>

namespace tallowin {

// Applies pipeline input: creates cards for new IDs and updates existing cards.
struct TALLOWIN_CORE_EXPORT TallowinAppending
{
    // Validates every contract before changing anything. New cards are active, go behind every card and join an open
    // run; an update that changes nothing adds no event. A card whose agent instruction is queued may not get a
    // different one: then the whole call fails. nowTimestamp stamps new cards, updates and events; the document's
    // updatedAt and revision stay and the result is not validated (saving does that). Throws TaskContractError and
    // TallowinValidationError::duplicateTaskID for a deck that holds one ID twice.
    static TallowinDocument appending(
        const TallowinDocument &document, const std::vector<TaskContract> &contracts, const std::string &nowTimestamp);
};

} // namespace tallowin
