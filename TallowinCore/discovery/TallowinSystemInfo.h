#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <string>
#include <string_view>

namespace tallowin {

// What this build and this machine are, for support reports. Each text is "unknown" where nothing is known.
struct TALLOWIN_CORE_EXPORT TallowinSystemInfo
{
    // The project version, such as "0.1.0".
    static std::string shortVersion();
    // The number of commits of the source tree when the build was configured.
    static std::string buildNumber();
    // PRETTY_NAME of os-release and the kernel release: "Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64)".
    // Reads /etc/os-release, or /usr/lib/os-release when that is missing, and uname.
    static std::string operatingSystemVersion();
    // The same from the text of an os-release file and a kernel release; empty stands for missing.
    static std::string operatingSystemVersion(std::string_view osRelease, std::string_view kernelRelease);
};

} // namespace tallowin
