#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QPainter;
class QRectF;
class QWidget;

namespace tallowin {

// The window's shared look: colours derived from the palette's roles, so that light and dark both follow the
// desktop, and the few type sizes.
struct TallowinStyle
{
    static bool isDark(const QPalette &palette);
    // The card's face: a step lighter than the window in light mode, than the base in dark mode.
    static QColor cardColor(const QPalette &palette);
    // A card behind the one in front, depth 1 and more: each a little further into the window.
    static QColor cardBehindColor(const QPalette &palette, int depth);
    static QColor hairline(const QPalette &palette);
    static QColor secondaryText(const QPalette &palette);
    // The accent of the primary action.
    static QColor accent(const QPalette &palette);
    // Remove is the one red; the dated piles share a calm blue-green. Both take the accent's strength, so that they
    // sit with it in either appearance.
    static QColor removeTint(const QPalette &palette);
    static QColor delayTint(const QPalette &palette);
    // A text colour that reads on a fill of the given colour.
    static QColor textOn(const QColor &fill);
    static QColor mix(const QColor &from, const QColor &to, double amount);

    static QFont font(const QWidget *widget, int pixelSize, QFont::Weight weight = QFont::Normal);
    // Style sheets of the two kinds of push buttons: the one primary action of a view, and the quiet ones beside it.
    static QString primaryButton(const QPalette &palette);
    static QString secondaryButton(const QPalette &palette, const QColor &surface);

    static constexpr double cardRadius = 12;
    static constexpr double targetRadius = 10;
    static void paintShadow(QPainter &painter, const QRectF &rect, double radius, const QPalette &palette);
};

} // namespace tallowin
