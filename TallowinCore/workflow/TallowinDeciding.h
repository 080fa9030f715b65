#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/workflow/TaskDecision.h"

#include <string>

namespace tallowin {

// Applies one review decision to one card.
struct TALLOWIN_CORE_EXPORT TallowinDeciding
{
    // Returns a new document: opens a run over the review queue when none is open, changes the card, appends one
    // history event, keeps the run's processed list, stamps updatedAt with now and validates. revision stays.
    // Throws TallowinDomainError::taskNotFound for a missing or merged card, and the result's validation error.
    static TallowinDocument deciding(const TallowinDocument &document, const std::string &taskID,
        const TaskDecision &decision, const std::string &note, TallowinInstant now);
    // As above, changing the given document in place instead of copying it, for a caller that no longer needs it.
    // When the card is not found the document is left as it was; after a validation error it is unspecified.
    static TallowinDocument deciding(TallowinDocument &&document, const std::string &taskID,
        const TaskDecision &decision, const std::string &note, TallowinInstant now);
};

} // namespace tallowin
