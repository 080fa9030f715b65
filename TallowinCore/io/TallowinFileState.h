#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstdint>
#include <filesystem>
#include <sys/types.h>

namespace tallowin {

// A file as its status shows it, without reading it. Two equal states are the same contents, except when a program
// rewrote the file in place, keeping its size, within one tick of the file system's clock; replacing the file, as
// every writer of the deck does, always changes the state as long as someone holds the old file open (its inode
// cannot be given to the new one then).
struct TALLOWIN_CORE_EXPORT TallowinFileState
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    // The change time as well: it moves on every write, even one that puts the modification time back.
    std::int64_t changedNanoseconds = 0;

    // The path itself, a symbolic link not followed; a missing path is a state that does not exist. Throws
    // TallowinFileError when the status cannot be read for another reason.
    static TallowinFileState of(const std::filesystem::path &path);
    // The file an open descriptor refers to.
    static TallowinFileState ofDescriptor(int descriptor, const std::filesystem::path &path);

    friend bool operator==(const TallowinFileState &, const TallowinFileState &) = default;
};

} // namespace tallowin
