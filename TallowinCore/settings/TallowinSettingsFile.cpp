#include "TallowinCore/settings/TallowinSettingsFile.h"

#include "TallowinCore/io/TallowinAtomicFile.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinFileOperations.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/settings/TallowinSettingsTOML.h"

#include <simdjson.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

bool entryExists(const std::filesystem::path &file)
{
    struct stat status = {};
    if (::lstat(file.c_str(), &status) == 0)
        return true;
    // A file standing where a parent folder should be is reported by prepareDirectory.
    if (errno == ENOENT || errno == ENOTDIR)
        return false;
    throw TallowinFileError::failed("inspect", file, lastError());
}

bool writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Creates the file only if nobody has: when another process got there first, its file is the one to
// read, so EEXIST is no failure.
void createExclusively(const std::filesystem::path &file, std::string_view content)
{
    const int descriptor = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        if (errno == EEXIST)
            return;
        throw TallowinFileError::failed("create", file, lastError());
    }
    const bool written = writeAll(descriptor, content);
    const std::error_code writeError = written ? std::error_code() : lastError();
    const bool closed = ::close(descriptor) == 0;
    if (written && closed)
        return;
    const std::error_code cause = written ? lastError() : writeError;
    // A partly written file would be kept forever, since existing files are never rewritten; it is
    // ours alone, having just been created exclusively.
    ::unlink(file.c_str());
    throw TallowinFileError::failed("write", file, cause);
}

TallowinSettings readExisting(const std::filesystem::path &file)
{
    TallowinPrivateStorage::protectFile(file);
    const std::string text = TallowinTextFile::read(file);
    if (!simdjson::validate_utf8(text))
        throw TallowinFileError::failed("read", file, std::make_error_code(std::errc::illegal_byte_sequence));
    return TallowinSettingsTOML::decode(text);
}

} // namespace

TallowinSettings TallowinSettingsFile::loadOrCreate(const std::filesystem::path &file)
{
    TallowinPrivateStorage::protectFile(file);
    if (!entryExists(file)) {
        const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
        TallowinPrivateStorage::prepareDirectory(folder);
        createExclusively(file, TallowinSettingsTOML::encode(TallowinSettings::defaults()));
    }
    return readExisting(file);
}

std::optional<TallowinSettings> TallowinSettingsFile::loadIfPresent(const std::filesystem::path &file)
{
    TallowinPrivateStorage::protectFile(file);
    if (!entryExists(file))
        return std::nullopt;
    return readExisting(file);
}

TallowinSettings TallowinSettingsFile::save(const std::filesystem::path &file, const TallowinSettings &settings)
{
    TallowinSettings validated = settings.validated();
    const std::string text = TallowinSettingsTOML::encode(validated);
    TallowinPrivateStorage::prepareDirectory(file.parent_path());
    if (entryExists(file))
        TallowinPrivateStorage::protectFile(file);
    TallowinFileOperations operations;
    TallowinAtomicFile::write(file, text, operations);
    TallowinPrivateStorage::protectFile(file);
    return validated;
}

} // namespace tallowin
