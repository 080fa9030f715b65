#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tallowin {

// The text that starts a manual discovery scan in Codex: a fixed instruction block, then the deck's
// path as compact JSON routing data. The settings are not part of it; the agent asks for them itself.
struct TALLOWIN_CORE_EXPORT TallowinDiscoveryRequest
{
    // Six lines, each ended by a line feed.
    static std::string_view instructions();

    // filePath is the deck file's absolute path; it is carried as is, slashes written as "\/". Throws
    // TallowinError when the path is not UTF-8, since the text handed to the agent must be.
    static std::string prompt(const std::filesystem::path &filePath);
};

} // namespace tallowin
