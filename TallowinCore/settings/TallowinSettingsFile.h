#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/settings/TallowinSettings.h"

#include <filesystem>
#include <optional>

namespace tallowin {

struct TALLOWIN_CORE_EXPORT TallowinSettingsFile
{
    // Reads the settings at file, first creating it (and its folder) with the defaults when it is
    // missing. An existing file is never rewritten, not even when it is invalid. Throws
    // TallowinSettingsError for the content and TallowinFileError for the file system. Synchronous;
    // safe against another process creating the same file at the same moment.
    static TallowinSettings loadOrCreate(const std::filesystem::path &file);
    // Reads the settings at file the same way, or nothing when there is no file; never creates one.
    static std::optional<TallowinSettings> loadIfPresent(const std::filesystem::path &file);
    // Validates the settings and replaces file with them atomically, owner-only (its folder is created when
    // missing); returns them as validated. Throws TallowinSettingsError for the settings, TallowinFileError for
    // the file system, with the file left as it was. Synchronous: the application calls it off its main thread.
    static TallowinSettings save(const std::filesystem::path &file, const TallowinSettings &settings);
};

} // namespace tallowin
