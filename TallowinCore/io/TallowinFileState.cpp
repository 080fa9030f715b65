#include "TallowinCore/io/TallowinFileState.h"

#include "TallowinCore/io/TallowinFileError.h"

#include <cerrno>
#include <sys/stat.h>

namespace tallowin {

namespace {

std::int64_t nanoseconds(const timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

TallowinFileState stateFrom(const struct stat &status)
{
    return {
        true, status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim), nanoseconds(status.st_ctim)};
}

} // namespace

TallowinFileState TallowinFileState::of(const std::filesystem::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw TallowinFileError::failed("inspect", path, std::error_code(errno, std::generic_category()));
    }
    return stateFrom(status);
}

TallowinFileState TallowinFileState::ofDescriptor(int descriptor, const std::filesystem::path &path)
{
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0)
        throw TallowinFileError::failed("inspect", path, std::error_code(errno, std::generic_category()));
    return stateFrom(status);
}

} // namespace tallowin
