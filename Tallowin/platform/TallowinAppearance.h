#pragma once

#include "TallowinCore/base/TallowinEnvironment.h"

#include <QPalette>

#include <optional>

namespace tallowin {

// TALLOWIN_APPEARANCE set to "dark" or "light" forces that appearance with the Fusion style; any other value, or
// none, leaves the desktop's.
struct TallowinAppearance
{
    enum class Forced { dark, light };

    static std::optional<Forced> forced(const Environment &environment);
    static QPalette palette(Forced appearance);
    // Applies the forced appearance to the application; answers whether one was forced.
    static bool apply(const Environment &environment);
};

} // namespace tallowin
