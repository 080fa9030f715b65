#pragma once

#include <ctime>
#include <filesystem>
#include <sys/types.h>

namespace tallowin {

// What a file looks like on disk: equal snapshots mean the same contents unless the modification time
// could not tell two writes apart.
struct FileSnapshot
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};
    // Taken so soon after the last modification that another write in the same clock tick would leave
    // the same time behind.
    bool ambiguous = false;

    // Safe on any thread.
    static FileSnapshot of(const std::filesystem::path &path);
    bool sameContents(const FileSnapshot &other) const;
};

} // namespace tallowin
