#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <string>
#include <string_view>

namespace tallowin {

// Canonical keys for source links and suggested titles, so one message is recognised however it is linked.
struct TALLOWIN_CORE_EXPORT SourceIdentity
{
    // "slack:workspace:item" for message archive links, else "url:" and the normalised link.
    // Throws TaskContractError::invalidSourceURL.
    static std::string sourceKey(std::string_view url);
    // Case-, diacritic- and width-folded words joined by "-".
    static std::string normalizedTitle(std::string_view title);
    static std::string itemKey(std::string_view sourceURL, std::string_view title);
};

} // namespace tallowin
