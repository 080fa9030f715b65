#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/workflow/DelayChoice.h"
#include "TallowinCore/workflow/TallowinAppending.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tallowin {

// The confirmation an action on the deck shows once it was accepted; the application and tallowin-cli print the
// same sentences.
struct TALLOWIN_CORE_EXPORT ActionNotice
{
    static std::string taskAdded();
    static std::string completed(std::string_view title);
    static std::string delayed(std::string_view title, DelayChoice choice);
    static std::string removed();
    static std::string startedRun();
    static std::string reviewingAll();
    // count: the cards given to the merge, the primary among them.
    static std::string merged(std::size_t count);
    static std::string acceptedCandidate();
    static std::string dismissedCandidate();
    static std::string changedPerson();
    static std::string requestedAgentAction(std::string_view title);
    // "Pipeline input: 2 added, 1 updated, 3 unchanged."
    static std::string pipelineInput(const TallowinAppending::Tally &tally);
};

} // namespace tallowin
