#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/document/TaskContract.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tallowin {

// Applies pipeline input: creates cards for new IDs and updates existing cards.
struct TALLOWIN_CORE_EXPORT TallowinAppending
{
    // What pipeline input did to the deck, by card: an ID the input gives twice counts once.
    struct Tally
    {
        std::size_t added = 0;
        std::size_t updated = 0;
        std::size_t unchanged = 0;

        friend bool operator==(const Tally &, const Tally &) = default;
    };

    // Validates every contract before changing anything. New cards are active, go behind every card and join an open
    // run; an update that changes nothing adds no event. A card whose agent instruction is queued may not get a
    // different one: then the whole call fails. nowTimestamp stamps new cards, updates and events; the document's
    // updatedAt and revision stay and the result is not validated (saving does that). Throws TaskContractError and
    // TallowinValidationError::duplicateTaskID for a deck that holds one ID twice.
    // With tally, also counts the cards the input added, updated and left as they were.
    static TallowinDocument appending(const TallowinDocument &document, const std::vector<TaskContract> &contracts,
        const std::string &nowTimestamp, Tally *tally = nullptr);
};

} // namespace tallowin
