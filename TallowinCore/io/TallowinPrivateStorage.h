#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>

namespace tallowin {

// Owner-only files and folders. Every check looks at the entry itself, never through a symbolic link,
// and requires the process's real user as owner. Failures are TallowinFileError carrying the path.
struct TALLOWIN_CORE_EXPORT TallowinPrivateStorage
{
    // Creates the folder and missing parents with mode 0700 (an existing folder is left as it is),
    // then checks it.
    static void prepareDirectory(const std::filesystem::path &directory);
    // prepareDirectory, then mode 0700.
    static void protectDirectory(const std::filesystem::path &directory);
    // Nothing at the path passes; otherwise it must be the user's own regular file, and gets mode 0600.
    static void protectFile(const std::filesystem::path &file);

    enum class EntryType { directory, regularFile };
    static void checkPath(const std::filesystem::path &path, EntryType expected);
};

} // namespace tallowin
