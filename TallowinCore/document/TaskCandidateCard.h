#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <string>
#include <string_view>

namespace tallowin {

// The card that accepting a candidate makes: its ID is "KB-" and the candidate's ID in lower case, independent
// of the locale, so the same candidate becomes the same card on every machine. The sync merge relies on this to
// tell a candidate that was accepted already.
struct TALLOWIN_CORE_EXPORT TaskCandidateCard
{
    static std::string id(std::string_view candidateID);
};

} // namespace tallowin
