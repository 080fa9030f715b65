// TALLOWIN_APPEARANCE: dark and light force that palette with Fusion; anything else leaves the desktop's.
#include "Tallowin/platform/TallowinAppearance.h"
#include "Tallowin/screens/TallowinStyle.h"

#include <QApplication>
#include <QStyle>
#include <QTest>

using namespace tallowin;

namespace {

Environment appearance(std::optional<std::string> value)
{
    return [value](const std::string &name) -> std::optional<std::string> {
        return name == "TALLOWIN_APPEARANCE" ? value : std::nullopt;
    };
}

// WCAG's contrast ratio of two colours.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &colour) {
        const auto channel
            = [](double value) { return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TallowinAppearanceTests : public QObject
{
    Q_OBJECT

private slots:
    void onlyDarkAndLightForceAnAppearance()
    {
        QCOMPARE(TallowinAppearance::forced(appearance("dark")), std::optional(TallowinAppearance::Forced::dark));
        QCOMPARE(TallowinAppearance::forced(appearance("light")), std::optional(TallowinAppearance::Forced::light));
        for (const char *other : {"", "Dark", "auto", "system", "dark "})
            QCOMPARE(TallowinAppearance::forced(appearance(other)), std::nullopt);
        QCOMPARE(TallowinAppearance::forced(appearance(std::nullopt)), std::nullopt);

        const QPalette before = QApplication::palette();
        QVERIFY(!TallowinAppearance::apply(appearance("sepia")));
        QCOMPARE(QApplication::palette(), before);
    }

    void aForcedAppearanceUsesFusionAndItsPalette()
    {
        QVERIFY(TallowinAppearance::apply(appearance("dark")));
        QCOMPARE(QApplication::style()->name(), QString("fusion"));
        QVERIFY(TallowinStyle::isDark(QApplication::palette()));
        QVERIFY(TallowinAppearance::apply(appearance("light")));
        QVERIFY(!TallowinStyle::isDark(QApplication::palette()));
    }

    void everyTextReadsAgainstItsBackground()
    {
        for (const auto forced : {TallowinAppearance::Forced::light, TallowinAppearance::Forced::dark}) {
            const QPalette palette = TallowinAppearance::palette(forced);
            const QColor window = palette.color(QPalette::Window);
            const QColor card = TallowinStyle::cardColor(palette);
            QVERIFY(contrast(palette.color(QPalette::WindowText), window) >= 7);
            QVERIFY(contrast(palette.color(QPalette::WindowText), card) >= 7);
            QVERIFY(contrast(TallowinStyle::secondaryText(palette), window) >= 4.5);
            QVERIFY(contrast(TallowinStyle::secondaryText(palette), card) >= 4.5);
            QVERIFY(contrast(palette.color(QPalette::HighlightedText), TallowinStyle::accent(palette)) >= 4.5);
            for (const QColor &fill : {TallowinStyle::removeTint(palette), TallowinStyle::delayTint(palette)})
                QVERIFY2(contrast(TallowinStyle::textOn(fill), fill) >= 4.5, qPrintable(fill.name()));
            // The card stands out from the window it lies on.
            QVERIFY(contrast(card, window) > 1.05);
        }
    }
};

QTEST_MAIN(TallowinAppearanceTests)
#include "TallowinAppearanceTests.moc"
