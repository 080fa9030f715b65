#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/settings/TallowinSettings.h"

#include <string>
#include <string_view>

namespace tallowin {

// The text of Tallowin.toml: a strict subset of TOML with the keys of TallowinSettings. Both
// directions validate and throw TallowinSettingsError; comments and formatting are not kept.
struct TALLOWIN_CORE_EXPORT TallowinSettingsTOML
{
    static TallowinSettings decode(std::string_view text);
    static std::string encode(const TallowinSettings &settings);
};

} // namespace tallowin
