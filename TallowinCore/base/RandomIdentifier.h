#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <string>

namespace tallowin {

// The one source of random identifiers (version 4 UUIDs from the system's cryptographic generator).
struct TALLOWIN_CORE_EXPORT RandomIdentifier
{
    static std::string lowercaseUUID();
    static std::string uppercaseUUID();
};

} // namespace tallowin
