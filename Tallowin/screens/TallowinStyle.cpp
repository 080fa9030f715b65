#include "Tallowin/screens/TallowinStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tallowin {

bool TallowinStyle::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor TallowinStyle::mix(const QColor &from, const QColor &to, double amount)
{
    const double keep = 1 - amount;
    return QColor::fromRgbF(float(from.redF() * keep + to.redF() * amount),
        float(from.greenF() * keep + to.greenF() * amount), float(from.blueF() * keep + to.blueF() * amount),
        float(from.alphaF() * keep + to.alphaF() * amount));
}

QColor TallowinStyle::cardColor(const QPalette &palette)
{
    // In the dark the card is lit a step above the window; in the light it is the page the text is written on.
    if (isDark(palette))
        return mix(palette.color(QPalette::Window), palette.color(QPalette::WindowText), 0.075);
    return mix(palette.color(QPalette::Window), palette.color(QPalette::Base), 0.85);
}

QColor TallowinStyle::cardBehindColor(const QPalette &palette, int depth)
{
    const QColor window = palette.color(QPalette::Window);
    return mix(
        cardColor(palette), isDark(palette) ? window.darker(115) : window.darker(106), std::min(0.3 * depth, 0.9));
}

QColor TallowinStyle::hairline(const QPalette &palette)
{
    return mix(palette.color(QPalette::Window), palette.color(QPalette::WindowText), isDark(palette) ? 0.22 : 0.16);
}

QColor TallowinStyle::secondaryText(const QPalette &palette)
{
    // Two thirds of the way to the text keeps 4.5:1 against the window in both appearances.
    return mix(palette.color(QPalette::Window), palette.color(QPalette::WindowText), isDark(palette) ? 0.68 : 0.72);
}

QColor TallowinStyle::accent(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

namespace {

QColor withHue(const QColor &source, float hue, bool dark)
{
    const QColor hsl = source.toHsl();
    const float saturation = std::clamp(float(hsl.hslSaturationF()), 0.45f, 0.75f);
    const float lightness = dark ? 0.58f : 0.42f;
    return QColor::fromHslF(hue / 360.0f, saturation, lightness);
}

} // namespace

QColor TallowinStyle::removeTint(const QPalette &palette)
{
    return withHue(accent(palette), 356, isDark(palette));
}

QColor TallowinStyle::delayTint(const QPalette &palette)
{
    return withHue(accent(palette), 178, isDark(palette));
}

namespace {

double luminance(const QColor &colour)
{
    const auto channel
        = [](double value) { return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

} // namespace

QColor TallowinStyle::textOn(const QColor &fill)
{
    // Whichever of near-black and white contrasts more with the fill, by WCAG's measure.
    const QColor dark(20, 20, 20);
    const double fillLuminance = luminance(fill);
    const double onDark = (fillLuminance + 0.05) / (luminance(dark) + 0.05);
    const double onWhite = 1.05 / (fillLuminance + 0.05);
    return onDark > onWhite ? dark : QColor(255, 255, 255);
}

QFont TallowinStyle::font(const QWidget *widget, int pixelSize, QFont::Weight weight)
{
    QFont font = widget->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QString TallowinStyle::primaryButton(const QPalette &palette)
{
    const QColor accent = TallowinStyle::accent(palette);
    const QColor onAccent = palette.color(QPalette::HighlightedText);
    const QColor window = palette.color(QPalette::Window);
    return QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 7px;"
                          " padding: 6px 16px; font-weight: 600; }"
                          "QPushButton:hover { background: %3; }"
                          "QPushButton:pressed { background: %4; }"
                          "QPushButton:focus { border: 2px solid %5; padding: 4px 14px; }"
                          "QPushButton:disabled { background: %6; color: %7; }")
        .arg(accent.name(), onAccent.name(), accent.lighter(110).name(), accent.darker(112).name(),
            mix(accent, onAccent, 0.55).name(), mix(window, accent, 0.25).name(),
            mix(window, palette.color(QPalette::WindowText), 0.45).name());
}

QString TallowinStyle::secondaryButton(const QPalette &palette, const QColor &surface)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor accent = TallowinStyle::accent(palette);
    return QStringLiteral("QPushButton, QToolButton { background: %1; color: %2; border: 1px solid %3;"
                          " border-radius: 7px; padding: 4px 9px; }"
                          "QPushButton:hover, QToolButton:hover { background: %4; }"
                          "QPushButton:pressed, QToolButton:pressed { background: %5; }"
                          "QPushButton:focus, QToolButton:focus { border: 2px solid %6; padding: 3px 8px; }"
                          "QPushButton:disabled, QToolButton:disabled { color: %7; }"
                          "QToolButton::menu-indicator { image: none; width: 0; }")
        .arg(mix(surface, text, 0.05).name(), mix(text, surface, 0.08).name(), mix(surface, text, 0.14).name(),
            mix(surface, text, 0.1).name(), mix(surface, text, 0.16).name(), accent.name(),
            mix(surface, text, 0.4).name());
}

void TallowinStyle::paintShadow(QPainter &painter, const QRectF &rect, double radius, const QPalette &palette)
{
    // A few widening rounded outlines of falling opacity read as a soft shadow without a blur pass.
    const QColor shadow(0, 0, 0);
    const double strength = isDark(palette) ? 0.26 : 0.07;
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int step = 1; step <= 8; ++step) {
        QColor layer = shadow;
        layer.setAlphaF(float(strength * (1.0 - step / 9.0) / 2.2));
        painter.setBrush(layer);
        const double grow = step * 1.6;
        painter.drawRoundedRect(rect.adjusted(-grow, -grow + 4, grow, grow + 6), radius + grow, radius + grow);
    }
    painter.restore();
}

} // namespace tallowin
