#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>
#include <string>

namespace tallowin {

// The "codex" link that opens a prepared discovery scan: codex://threads/new with the query items
// prompt (the discovery request text), path (the deck's folder) and mode=work, in that order.
struct TALLOWIN_CORE_EXPORT TallowinDiscoveryLink
{
    // Every byte outside the URL's unreserved characters and "/" is percent-encoded, "+" and the
    // space included, so any query decoder gives the three values back exactly. Throws what building
    // the prompt throws, and std::invalid_argument when deckFile is not an absolute file path.
    static std::string codexLink(const std::filesystem::path &deckFile);
};

} // namespace tallowin
