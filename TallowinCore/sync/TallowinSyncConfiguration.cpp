#include "TallowinCore/sync/TallowinSyncConfiguration.h"

#include "TallowinCore/io/TallowinAtomicFile.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/merge/TallowinSyncError.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tallowin {

namespace {

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// The password in the file is only as safe as the file: it must be ours and closed to everybody else.
void checkOwnerOnly(const std::filesystem::path &file)
{
    TallowinPrivateStorage::checkPath(file, TallowinPrivateStorage::EntryType::regularFile);
    struct stat status = {};
    if (::lstat(file.c_str(), &status) != 0)
        throw TallowinFileError::failed("inspect", file, {errno, std::generic_category()});
    if ((status.st_mode & 077) != 0)
        throw TallowinFileError::readNoPermission(file, "other users can open it; make it private with chmod 600");
}

} // namespace

std::filesystem::path TallowinSyncConfiguration::configurationFile(const Environment &environment)
{
    const std::optional<std::string> configHome = environment("XDG_CONFIG_HOME");
    const std::filesystem::path base = configHome && !configHome->empty() && configHome->front() == '/'
        ? std::filesystem::path(*configHome)
        : TallowinFileLocation::homeFolder() / ".config";
    return base / "Tallowin" / "sync-url";
}

bool TallowinSyncConfiguration::isFromVariable(const Environment &environment)
{
    const std::optional<std::string> value = environment(variable);
    return value && !trimmed(*value).empty();
}

std::optional<std::string> TallowinSyncConfiguration::databaseURL(const Environment &environment)
{
    if (isFromVariable(environment))
        return trimmed(*environment(variable));

    const std::filesystem::path file = configurationFile(environment);
    struct stat status = {};
    if (::lstat(file.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw TallowinFileError::failed("inspect", file, {errno, std::generic_category()});
    }
    checkOwnerOnly(file);
    const std::string text = TallowinTextFile::read(file);
    const std::string line = trimmed(std::string_view(text).substr(0, text.find('\n')));
    if (line.empty())
        return std::nullopt;
    return line;
}

std::optional<TallowinSyncAddress> TallowinSyncConfiguration::address(const Environment &environment)
{
    const std::optional<std::string> text = databaseURL(environment);
    if (!text)
        return std::nullopt;
    return TallowinSyncAddress::parse(*text);
}

void TallowinSyncConfiguration::writeDatabaseURL(const std::string &text, const Environment &environment)
{
    const std::filesystem::path file = configurationFile(environment);
    TallowinPrivateStorage::prepareDirectory(file.parent_path());
    // The file is about to be replaced, but one that others can read or a link is still not ours to replace.
    TallowinPrivateStorage::protectFile(file);
    TallowinFileOperations operations;
    TallowinAtomicFile::write(file, text + "\n", operations);
    TallowinPrivateStorage::protectFile(file);
}

std::string TallowinSyncConfiguration::missingPasswordMessage(const TallowinSyncAccount &account)
{
    return "No sync password is stored for " + account.description()
        + ". Enter it in Settings, or run tallowin-cli sync-setup.";
}

std::optional<TallowinSyncAddress> TallowinSyncConfiguration::login(
    TallowinPasswordStore *passwords, TallowinPasswordStore::Unlocking unlocking, const Environment &environment)
{
    std::optional<TallowinSyncAddress> configured = address(environment);
    // An address with a password works as it always did; one without a user signs in nobody.
    if (!configured || configured->password || configured->user.empty())
        return configured;
    if (passwords)
        configured->password = passwords->lookup(configured->account(), unlocking);
    if (!configured->password)
        throw TallowinSyncError::unavailable(missingPasswordMessage(configured->account()));
    return configured;
}

} // namespace tallowin
