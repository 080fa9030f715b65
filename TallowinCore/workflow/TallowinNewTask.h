#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TaskContract.h"

#include <string>

namespace tallowin {

// The contract of a card the user adds by hand, in the application and on the command line alike.
struct TALLOWIN_CORE_EXPORT TallowinNewTask
{
    // A random card ID, so two devices adding cards while apart never collide; kind commitment; a blank
    // person stands for the user ("Me"). Validated: throws TaskContractError for a blank title.
    static TaskContract contract(const std::string &title, const std::string &context, const std::string &person);
};

} // namespace tallowin
