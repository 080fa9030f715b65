#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tallowin {

// Where the deck lives on this machine.
struct TALLOWIN_CORE_EXPORT TallowinFileLocation
{
    // $XDG_DATA_HOME/Tallowin/Tallowin.md when XDG_DATA_HOME is absolute, else the user's
    // home (from the user database) + .local/share/Tallowin/Tallowin.md.
    static std::filesystem::path defaultDeckPath();
    // The user's home folder from the user database (not $HOME, which a caller may have changed).
    static std::filesystem::path homeFolder();
    // The override from TALLOWIN_FILE_PATH, when set and not empty.
    static std::optional<std::filesystem::path> environmentOverride();
    // "Tallowin.toml" beside the deck.
    static std::filesystem::path settingsPath(const std::filesystem::path &deckPath);
};

} // namespace tallowin
