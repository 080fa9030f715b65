#include "Tallowin/platform/TallowinAppearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace tallowin {

std::optional<TallowinAppearance::Forced> TallowinAppearance::forced(const Environment &environment)
{
    const std::optional<std::string> value = environment("TALLOWIN_APPEARANCE");
    if (value == "dark")
        return Forced::dark;
    if (value == "light")
        return Forced::light;
    return std::nullopt;
}

QPalette TallowinAppearance::palette(Forced appearance)
{
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    QPalette light = fusion ? fusion->standardPalette() : QPalette();
    delete fusion;
    // The light palette follows Fusion's, with a calm blue accent.
    light.setColor(QPalette::Highlight, QColor(38, 110, 215));
    light.setColor(QPalette::HighlightedText, Qt::white);
    light.setColor(QPalette::Link, QColor(26, 92, 190));
    if (appearance == Forced::light)
        return light;

    QPalette dark;
    const QColor window(37, 38, 41);
    const QColor base(27, 28, 30);
    const QColor text(232, 232, 234);
    const QColor disabledText(128, 129, 133);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, QColor(44, 45, 49));
    dark.setColor(QPalette::ToolTipBase, QColor(52, 53, 57));
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(150, 151, 156));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(50, 51, 55));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, QColor(255, 110, 110));
    dark.setColor(QPalette::Light, QColor(70, 71, 76));
    dark.setColor(QPalette::Midlight, QColor(58, 59, 63));
    dark.setColor(QPalette::Mid, QColor(44, 45, 48));
    dark.setColor(QPalette::Dark, QColor(20, 20, 22));
    dark.setColor(QPalette::Shadow, QColor(0, 0, 0));
    dark.setColor(QPalette::Highlight, QColor(46, 112, 214));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(110, 165, 250));
    dark.setColor(QPalette::LinkVisited, QColor(160, 140, 240));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, disabledText);
    dark.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 72, 78));
    return dark;
}

bool TallowinAppearance::apply(const Environment &environment)
{
    const std::optional<Forced> appearance = forced(environment);
    if (!appearance)
        return false;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(palette(*appearance));
    return true;
}

} // namespace tallowin
