#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace tallowin {

// The few text styles and derived colours the sheets use, in one place so that they can follow a shared theme.
// Colours come from the widget's palette roles and are derived again whenever its palette changes, so a switch
// between light and dark needs nothing from the sheets.
class SheetStyle
{
public:
    enum class Role {
        // The sheet's title: 18 px semibold.
        heading,
        // A group's title inside a sheet: 13 px semibold.
        sectionTitle,
        // A card's title where one card is shown: 16 px semibold.
        cardTitle,
        // Help and hints: 12 px in the secondary text colour.
        secondary,
        // A failure the user should read: 12 px, semibold, in the danger colour.
        danger,
        // A push button of a sheet: room around its text.
        button,
        // The sheet's main action: a button in the accent colour.
        primaryButton,
        // A link that opens in the browser: the link colour.
        link,
    };

    static void apply(QWidget *widget, Role role);
    // Gives a button room around its text again, after its text changed.
    static void fitButton(QWidget *button);

    // The accent for filled controls: the highlight, darkened until its highlighted text reads at 4.5:1 or more.
    static QColor accent(const QPalette &palette);
    // The contrast ratio of two colours as WCAG defines it, from 1 to 21.
    static double contrast(const QColor &first, const QColor &second);
    // Text that recedes, still at least 4.5:1 against the window.
    static QColor secondaryText(const QPalette &palette);
    // A red derived from the accent, light enough on dark windows and dark enough on light ones.
    static QColor danger(const QPalette &palette);
    // The fill of badges and the blend bucket, one step from the window towards the accent.
    static QColor tint(const QPalette &palette);
    // A card-like surface one step lighter than the window in light mode, than the base in dark mode.
    static QColor surface(const QPalette &palette);
    static bool isDark(const QPalette &palette);
    static QColor mix(const QColor &from, const QColor &to, double amount);

    static constexpr int headingPixels = 18;
    static constexpr int sectionPixels = 13;
    static constexpr int cardTitlePixels = 16;
    static constexpr int secondaryPixels = 12;
    static constexpr int cornerRadius = 10;
    static constexpr int sheetMargin = 24;
};

} // namespace tallowin
