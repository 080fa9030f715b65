#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/io/TallowinFileOperations.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

// Replaces a file so that readers see the old or the new bytes, never a part, and a crash leaves one of
// the two: a temporary file in the same folder, fsync, rename over the target, fsync of the folder.
struct TALLOWIN_CORE_EXPORT TallowinAtomicFile
{
    // Throws TallowinFileError naming path. Before the rename a failure removes the temporary and leaves
    // the target as it was; a failed sync of the folder after the rename is still reported.
    static void write(const std::filesystem::path &path, std::string_view text, TallowinFileOperations &operations);
    // As above, for a text given in pieces that are written one after another.
    static void write(
        const std::filesystem::path &path, const std::vector<std::string> &pieces, TallowinFileOperations &operations);
    // Temporary files for path start with this name (hidden, cut to stay within 255 bytes).
    static std::string temporaryPrefix(const std::filesystem::path &path);
    static std::filesystem::path folderOf(const std::filesystem::path &path);

private:
    static void writePieces(const std::filesystem::path &path, const std::string_view *pieces, std::size_t count,
        TallowinFileOperations &operations);
};

} // namespace tallowin
