#include "Tallowin/store/FileSnapshot.h"

#include <sys/stat.h>

namespace tallowin {

namespace {

long long nanoseconds(const timespec &time)
{
    return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
}

// How close to its modification time a snapshot must be taken for a second write of the same size to
// possibly carry the same time: a few clock ticks, or two seconds on file systems that keep whole
// seconds (a time without nanoseconds gives those away).
long long ambiguityWindow(const timespec &modified)
{
    return modified.tv_nsec == 0 ? 2'000'000'000LL : 20'000'000LL;
}

} // namespace

FileSnapshot FileSnapshot::of(const std::filesystem::path &path)
{
    FileSnapshot snapshot;
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0)
        return snapshot;
    snapshot.exists = true;
    snapshot.device = status.st_dev;
    snapshot.inode = status.st_ino;
    snapshot.size = status.st_size;
    snapshot.modified = status.st_mtim;
    timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long distance = nanoseconds(now) - nanoseconds(status.st_mtim);
    snapshot.ambiguous = (distance < 0 ? -distance : distance) < ambiguityWindow(status.st_mtim);
    return snapshot;
}

bool FileSnapshot::sameContents(const FileSnapshot &other) const
{
    if (!exists || !other.exists)
        return exists == other.exists;
    return device == other.device && inode == other.inode && size == other.size
        && nanoseconds(modified) == nanoseconds(other.modified);
}

} // namespace tallowin
