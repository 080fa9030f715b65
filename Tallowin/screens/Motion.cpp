#include "Tallowin/screens/Motion.h"

#include <QGuiApplication>

#include <optional>

namespace tallowin {

namespace {

std::optional<bool> &overridden()
{
    static std::optional<bool> value;
    return value;
}

} // namespace

bool Motion::enabled()
{
    if (overridden())
        return *overridden();
    // Qt's effect switches are off by default on most Linux desktops, so they cannot say whether the user wants motion.
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

void Motion::setEnabled(bool enabled)
{
    overridden() = enabled;
}

} // namespace tallowin
