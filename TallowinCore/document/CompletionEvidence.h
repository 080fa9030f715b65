#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

struct TALLOWIN_CORE_EXPORT CompletionEvidence
{
    // The http and https links in free text, trimmed of trailing punctuation, in order of first appearance.
    static std::vector<std::string> urls(std::string_view text);
};

} // namespace tallowin
