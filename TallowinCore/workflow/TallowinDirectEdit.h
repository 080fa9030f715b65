#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <string>

namespace tallowin {

// Edits of one card that no decision or command covers. A task ID that no card carries returns the
// document unchanged, so nothing is saved.
struct TALLOWIN_CORE_EXPORT TallowinDirectEdit
{
    // Sets the card's person and records a "renamed" event.
    static TallowinDocument changingPerson(
        const TallowinDocument &document, const std::string &taskID, const std::string &person, TallowinInstant now);
    // Queues an instruction for the outside agent: the card becomes action-requested. Throws TallowinError
    // when the instruction is blank.
    static TallowinDocument requestingAgentAction(const TallowinDocument &document, const std::string &taskID,
        const std::string &instruction, TallowinInstant now);

    static constexpr const char *missingInstructionMessage
        = "An instruction is required before Tallowin can request an agent action.";
};

} // namespace tallowin
