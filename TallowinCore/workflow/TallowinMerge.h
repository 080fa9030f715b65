#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <vector>

namespace tallowin {

// Combines whole decks into one, as the import does with each file. Pure: the inputs are not changed.
struct TALLOWIN_CORE_EXPORT TallowinMerge
{
    // The union of the decks: cards with the same ID are versions of one record and are combined, the newer
    // version winning its fields while history and sources are united. The result carries `now` as its
    // updatedAt and the largest input revision, and is validated (TallowinValidationError is thrown).
    // An empty list gives emptyDeck(now).
    static TallowinDocument documents(const std::vector<TallowinDocument> &documents, TallowinInstant now);
    // Version 2, revision 1, title "Tallowin", updatedAt `now`, nothing else.
    static TallowinDocument emptyDeck(TallowinInstant now);
};

} // namespace tallowin
