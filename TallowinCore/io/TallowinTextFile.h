#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>
#include <string>

namespace tallowin {

// Whole-file reads.
struct TALLOWIN_CORE_EXPORT TallowinTextFile
{
    // Throws TallowinFileError (notFound for a missing file). Does not follow the path's last symbolic link
    // unless the caller checked it already; the bytes are returned as they are, with at least spareBytes of
    // capacity past the end (for a parser that reads beyond the text).
    static std::string read(const std::filesystem::path &path, std::size_t spareBytes = 0);
    // Bytes readable past size() of a string returned by read().
    static std::size_t spareCapacity(const std::string &text) { return text.capacity() - text.size(); }
};

} // namespace tallowin
