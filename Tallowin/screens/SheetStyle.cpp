#include "Tallowin/screens/SheetStyle.h"

#include <QEvent>
#include <QFont>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tallowin {

namespace {

constexpr const char *roleProperty = "tallowinSheetRole";
constexpr int buttonHeight = 30;
constexpr int buttonPadding = 20;

void applyColours(QWidget *widget, SheetStyle::Role role)
{
    QPalette palette = widget->palette();
    QPalette wanted = palette;
    switch (role) {
    case SheetStyle::Role::secondary:
        wanted.setColor(QPalette::WindowText, SheetStyle::secondaryText(palette));
        break;
    case SheetStyle::Role::danger:
        wanted.setColor(QPalette::WindowText, SheetStyle::danger(palette));
        break;
    case SheetStyle::Role::primaryButton:
        // A disabled main action looks like any disabled button.
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            wanted.setColor(group, QPalette::Button, SheetStyle::accent(palette));
            wanted.setColor(group, QPalette::ButtonText, palette.color(QPalette::HighlightedText));
        }
        break;
    case SheetStyle::Role::link:
        wanted.setColor(QPalette::ButtonText, palette.color(QPalette::Link));
        break;
    case SheetStyle::Role::button:
    case SheetStyle::Role::heading:
    case SheetStyle::Role::sectionTitle:
    case SheetStyle::Role::cardTitle:
        return;
    }
    // Setting the palette sends another palette change; equal colours end it there.
    if (wanted != palette)
        widget->setPalette(wanted);
}

// Derives the colours again when the palette a widget inherits changes.
class PaletteFollower : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
            auto *widget = static_cast<QWidget *>(watched);
            const QVariant role = widget->property(roleProperty);
            if (role.isValid())
                applyColours(widget, SheetStyle::Role(role.toInt()));
        }
        return false;
    }
};

PaletteFollower &follower()
{
    static PaletteFollower *instance = new PaletteFollower;
    return *instance;
}

} // namespace

void SheetStyle::apply(QWidget *widget, Role role)
{
    QFont font = widget->font();
    switch (role) {
    case Role::heading:
        font.setPixelSize(headingPixels);
        font.setWeight(QFont::DemiBold);
        break;
    case Role::sectionTitle:
        font.setPixelSize(sectionPixels);
        font.setWeight(QFont::DemiBold);
        break;
    case Role::cardTitle:
        font.setPixelSize(cardTitlePixels);
        font.setWeight(QFont::DemiBold);
        break;
    case Role::secondary:
        font.setPixelSize(secondaryPixels);
        break;
    case Role::danger:
        font.setPixelSize(secondaryPixels);
        font.setWeight(QFont::DemiBold);
        break;
    case Role::button:
        break;
    case Role::primaryButton:
        font.setWeight(QFont::DemiBold);
        break;
    case Role::link:
        font.setUnderline(true);
        break;
    }
    widget->setFont(font);
    if (role == Role::button || role == Role::primaryButton)
        fitButton(widget);
    widget->setProperty(roleProperty, int(role));
    widget->installEventFilter(&follower());
    applyColours(widget, role);
}

void SheetStyle::fitButton(QWidget *button)
{
    // The style draws its buttons tight around the text; a sheet's buttons get room to breathe.
    button->setMinimumSize(0, 0);
    const QSize natural = button->sizeHint();
    button->setMinimumSize(natural.width() + buttonPadding, std::max(natural.height(), buttonHeight));
}

QColor SheetStyle::mix(const QColor &from, const QColor &to, double amount)
{
    const auto channel = [&](double a, double b) { return a + (b - a) * amount; };
    return QColor::fromRgbF(float(channel(from.redF(), to.redF())), float(channel(from.greenF(), to.greenF())),
        float(channel(from.blueF(), to.blueF())));
}

bool SheetStyle::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

double SheetStyle::contrast(const QColor &first, const QColor &second)
{
    const auto luminance = [](const QColor &colour) {
        const auto linear = [](double channel) {
            return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double lighter = std::max(luminance(first), luminance(second));
    const double darker = std::min(luminance(first), luminance(second));
    return (lighter + 0.05) / (darker + 0.05);
}

QColor SheetStyle::accent(const QPalette &palette)
{
    QColor accent = palette.color(QPalette::Highlight);
    const QColor text = palette.color(QPalette::HighlightedText);
    // Buttons are drawn a shade lighter than their colour, so aim above the minimum.
    for (int step = 0; step < 12 && contrast(accent, text) < 5.2; ++step)
        accent = accent.darker(110);
    return accent;
}

QColor SheetStyle::secondaryText(const QPalette &palette)
{
    return mix(palette.color(QPalette::Text), palette.color(QPalette::Window), 0.38);
}

QColor SheetStyle::danger(const QPalette &palette)
{
    QColor red = palette.color(QPalette::Highlight).toHsl();
    red.setHslF(0.0f, 0.7f, isDark(palette) ? 0.72f : 0.40f);
    return red.toRgb();
}

QColor SheetStyle::tint(const QPalette &palette)
{
    return mix(palette.color(QPalette::Window), palette.color(QPalette::Highlight), isDark(palette) ? 0.22 : 0.12);
}

QColor SheetStyle::surface(const QPalette &palette)
{
    return isDark(palette) ? palette.color(QPalette::Base).lighter(125) : palette.color(QPalette::Window).lighter(104);
}

} // namespace tallowin
