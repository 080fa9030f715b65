#include "Tallowin/screens/Motion.h"

#include <QApplication>
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
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return false;
    return QApplication::isEffectEnabled(Qt::UI_General);
}

void Motion::setEnabled(bool enabled)
{
    overridden() = enabled;
}

} // namespace tallowin
