#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>
#include <string>

namespace tallowin {

// Whole-file reads. The result keeps spare capacity past its end so the deck codec can parse it in place.
struct TALLOWIN_CORE_EXPORT TallowinTextFile
{
    // Throws TallowinFileError (notFound for a missing file). Does not follow the path's last symbolic link
    // unless the caller checked it already; the bytes are returned as they are.
    static std::string read(const std::filesystem::path &path);
    // Bytes readable past size() of a string returned by read().
    static std::size_t spareCapacity(const std::string &text) { return text.capacity() - text.size(); }
};

} // namespace tallowin
