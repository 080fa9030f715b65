#include "TallowinCore/sync/TallowinSyncConfiguration.h"

#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"

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

std::optional<std::string> TallowinSyncConfiguration::databaseURL(const Environment &environment)
{
    if (const std::optional<std::string> variable = environment("TALLOWIN_SYNC_URL"); variable && !variable->empty())
        return trimmed(*variable);

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

} // namespace tallowin
