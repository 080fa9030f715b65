#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinEnvironment.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tallowin {

// Where the cloud database is: TALLOWIN_SYNC_URL, else the first line of $XDG_CONFIG_HOME/Tallowin/sync-url
// (~/.config when XDG_CONFIG_HOME is not an absolute path). The address may carry the password, so the file
// must be the user's own regular file that nobody else can read.
struct TALLOWIN_CORE_EXPORT TallowinSyncConfiguration
{
    // The value of an environment variable, or nothing when it is not set.

    static std::filesystem::path configurationFile(const Environment &environment = &processEnvironment);
    // Nothing when neither the variable nor the file gives an address. Throws TallowinFileError naming the
    // file when it is a symbolic link, another user's, readable by others or unreadable.
    static std::optional<std::string> databaseURL(const Environment &environment = &processEnvironment);
};

} // namespace tallowin
