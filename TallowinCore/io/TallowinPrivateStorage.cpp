#include "TallowinCore/io/TallowinPrivateStorage.h"

#include "TallowinCore/io/TallowinFileError.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// Refuses what lstat reported unless it is the user's own entry of the expected type. The link test
// comes first: a link is refused whoever owns it, since its target could be anything.
void checkStatus(
    const std::filesystem::path &path, const struct stat &status, TallowinPrivateStorage::EntryType expected)
{
    if (S_ISLNK(status.st_mode))
        throw TallowinFileError::readNoPermission(path, "it is a symbolic link");
    if (status.st_uid != ::getuid())
        throw TallowinFileError::readNoPermission(path, "it belongs to another user");
    if (expected == TallowinPrivateStorage::EntryType::directory && !S_ISDIR(status.st_mode))
        throw TallowinFileError::readNoPermission(path, "it is not a folder");
    if (expected == TallowinPrivateStorage::EntryType::regularFile && !S_ISREG(status.st_mode))
        throw TallowinFileError::readNoPermission(path, "it is not a regular file");
}

// mkdir and ignoring EEXIST, rather than testing first, keeps two processes that create the same
// folders at once from failing each other.
void makeDirectories(const std::filesystem::path &directory)
{
    std::filesystem::path prefix;
    for (const auto &component : directory) {
        prefix /= component;
        if (component.empty() || component == "." || component == "..")
            continue;
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            throw TallowinFileError::failed("create", prefix, lastError());
    }
}

} // namespace

void TallowinPrivateStorage::prepareDirectory(const std::filesystem::path &directory)
{
    makeDirectories(directory);
    checkPath(directory, EntryType::directory);
}

void TallowinPrivateStorage::protectDirectory(const std::filesystem::path &directory)
{
    prepareDirectory(directory);
    if (::chmod(directory.c_str(), 0700) != 0)
        throw TallowinFileError::writeNoPermission(directory, lastError());
}

void TallowinPrivateStorage::protectFile(const std::filesystem::path &file)
{
    struct stat status = {};
    if (::lstat(file.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        throw TallowinFileError::failed("inspect", file, lastError());
    }
    checkStatus(file, status, EntryType::regularFile);
    // Every read protects the deck; a needless chmod would still wake everyone watching the file.
    if ((status.st_mode & 07777) == 0600)
        return;
    if (::chmod(file.c_str(), 0600) != 0)
        throw TallowinFileError::writeNoPermission(file, lastError());
}

void TallowinPrivateStorage::checkPath(const std::filesystem::path &path, EntryType expected)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw TallowinFileError::failed("inspect", path, lastError());
    checkStatus(path, status, expected);
}

} // namespace tallowin
