#pragma once

#include "Tallowin/store/StorePanels.h"
#include "Tallowin/store/UserDefaults.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace tallowin {

// Keeps hold of the last file the user picked and records it in the user defaults. On Linux nothing
// grants or revokes access to a path, so holding one means remembering it until the next pick.
class CanonicalFileAccess
{
public:
    explicit CanonicalFileAccess(UserDefaults &defaults);
    CanonicalFileAccess(const CanonicalFileAccess &) = delete;
    CanonicalFileAccess &operator=(const CanonicalFileAccess &) = delete;

    // Records the picked file under both user-defaults keys (the bookmark key gets the path's bytes, which
    // survive names that are not UTF-8) and holds it in place of any earlier pick.
    void rememberPickedFile(const std::filesystem::path &picked);
    // Shows the import panel; a picked file is remembered and returned, a cancel returns nothing.
    std::optional<std::filesystem::path> chooseImportFile(StorePanels &panels);
    // The files to import for a pick: none when it names the canonical deck itself (compared after
    // resolving "." and ".."), else the pick.
    static std::vector<std::filesystem::path> importSources(
        const std::filesystem::path &chosen, const std::filesystem::path &canonical);

    const std::optional<std::filesystem::path> &securityScopedPath() const { return m_securityScopedPath; }

private:
    UserDefaults &m_defaults;
    std::optional<std::filesystem::path> m_securityScopedPath;
};

} // namespace tallowin
