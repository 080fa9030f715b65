#include "TallowinCore/discovery/TallowinSystemInfo.h"

#include <fstream>
#include <sstream>
#include <sys/utsname.h>

namespace tallowin {

namespace {

constexpr std::string_view unknown = "unknown";

std::string orUnknown(std::string_view text)
{
    return std::string(text.empty() ? unknown : text);
}

// os-release values are shell words: double quotes take backslash escapes of " \ $ and `, single
// quotes take nothing, and a bare value runs to the end of the line.
std::string unquoted(std::string_view value)
{
    if (value.empty() || (value.front() != '"' && value.front() != '\''))
        return std::string(value);
    const char quote = value.front();
    std::string result;
    for (std::size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == quote)
            break;
        if (quote == '"' && c == '\\' && i + 1 < value.size()) {
            const char next = value[i + 1];
            if (next == '"' || next == '\\' || next == '$' || next == '`') {
                result += next;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

std::string prettyName(std::string_view osRelease)
{
    constexpr std::string_view key = "PRETTY_NAME=";
    std::string result;
    std::size_t lineStart = 0;
    while (lineStart < osRelease.size()) {
        const std::size_t lineEnd = std::min(osRelease.find('\n', lineStart), osRelease.size());
        const std::string_view line = osRelease.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        // As in the shell that reads the file, a later assignment replaces an earlier one.
        if (line.starts_with(key))
            result = unquoted(line.substr(key.size()));
    }
    return result;
}

std::string fileText(const char *path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

std::string TallowinSystemInfo::shortVersion()
{
#ifdef TALLOWIN_VERSION
    return orUnknown(TALLOWIN_VERSION);
#else
    return std::string(unknown);
#endif
}

std::string TallowinSystemInfo::buildNumber()
{
#ifdef TALLOWIN_BUILD_NUMBER
    return orUnknown(TALLOWIN_BUILD_NUMBER);
#else
    return std::string(unknown);
#endif
}

std::string TallowinSystemInfo::operatingSystemVersion()
{
    std::string osRelease = fileText("/etc/os-release");
    if (osRelease.empty())
        osRelease = fileText("/usr/lib/os-release");
    struct utsname system = {};
    const std::string_view kernelRelease = ::uname(&system) == 0 ? std::string_view(system.release) : "";
    return operatingSystemVersion(osRelease, kernelRelease);
}

std::string TallowinSystemInfo::operatingSystemVersion(std::string_view osRelease, std::string_view kernelRelease)
{
    return orUnknown(prettyName(osRelease)) + " (kernel " + orUnknown(kernelRelease) + ")";
}

} // namespace tallowin
