#include "TallowinCore/io/TallowinFileLocation.h"

#include <cstdlib>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace tallowin {

namespace {

std::filesystem::path homeFromUserDatabase()
{
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    struct passwd entry
    { };
    struct passwd *result = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (result == nullptr || result->pw_dir == nullptr || result->pw_dir[0] == '\0')
        throw std::runtime_error("Tallowin could not find your home folder in the user database.");
    return result->pw_dir;
}

} // namespace

std::filesystem::path TallowinFileLocation::defaultDeckPath()
{
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/')
        return std::filesystem::path(dataHome) / "Tallowin" / "Tallowin.md";
    return homeFolder() / ".local" / "share" / "Tallowin" / "Tallowin.md";
}

std::filesystem::path TallowinFileLocation::homeFolder()
{
    return homeFromUserDatabase();
}

std::optional<std::filesystem::path> TallowinFileLocation::environmentOverride()
{
    const char *value = std::getenv("TALLOWIN_FILE_PATH");
    if (value == nullptr || value[0] == '\0')
        return std::nullopt;
    return std::filesystem::path(value);
}

std::filesystem::path TallowinFileLocation::settingsPath(const std::filesystem::path &deckPath)
{
    return deckPath.parent_path() / "Tallowin.toml";
}

} // namespace tallowin
