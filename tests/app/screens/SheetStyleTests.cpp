// The sheets' derived colours: readable in light and dark, and derived again when the palette changes.
#include "Tallowin/screens/SheetStyle.h"
#include "tests/app/support/WidgetTestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>

using namespace tallowin;

namespace {

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2f));
    palette.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xef));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x22));
    palette.setColor(QPalette::Text, QColor(0xec, 0xec, 0xef));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x40));
    palette.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xef));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x7b, 0xd9));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

} // namespace

class SheetStyleTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { test::pinWidgetTestEnvironment(); }

    void derivedTextReadsAtLeastFourAndAHalfToOne_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << QApplication::style()->standardPalette();
        QTest::newRow("dark") << darkPalette();
        // A light highlight that white text would not read on.
        QPalette pale = QApplication::style()->standardPalette();
        pale.setColor(QPalette::Highlight, QColor(0x9c, 0xc8, 0xff));
        QTest::newRow("pale accent") << pale;
    }

    void derivedTextReadsAtLeastFourAndAHalfToOne()
    {
        QFETCH(QPalette, palette);
        const QColor window = palette.color(QPalette::Window);
        QVERIFY(SheetStyle::contrast(SheetStyle::secondaryText(palette), window) >= 4.5);
        QVERIFY(SheetStyle::contrast(SheetStyle::danger(palette), window) >= 4.5);
        QVERIFY(SheetStyle::contrast(SheetStyle::accent(palette), palette.color(QPalette::HighlightedText)) >= 4.5);
        QVERIFY(SheetStyle::contrast(palette.color(QPalette::WindowText), SheetStyle::tint(palette)) >= 4.5);
    }

    void contrastFollowsTheDefinition()
    {
        QCOMPARE(SheetStyle::contrast(Qt::black, Qt::white), 21.0);
        QCOMPARE(SheetStyle::contrast(Qt::white, Qt::white), 1.0);
        QVERIFY(qAbs(SheetStyle::contrast(QColor(0x76, 0x76, 0x76), Qt::white) - 4.54) < 0.01);
    }

    // The application's palette reaches widgets only once its event loop runs, which a test's does not; the
    // window's own palette reaches its children the same way.
    void coloursFollowASwitchBetweenLightAndDark()
    {
        QWidget window;
        window.setPalette(QApplication::style()->standardPalette());
        auto *hint = new QLabel(QStringLiteral("Help"), &window);
        auto *save = new QPushButton(QStringLiteral("Save"), &window);
        SheetStyle::apply(hint, SheetStyle::Role::secondary);
        SheetStyle::apply(save, SheetStyle::Role::primaryButton);
        QCOMPARE(hint->palette().color(QPalette::WindowText), SheetStyle::secondaryText(window.palette()));

        window.setPalette(darkPalette());
        QCOMPARE(hint->palette().color(QPalette::WindowText), SheetStyle::secondaryText(darkPalette()));
        QCOMPARE(save->palette().color(QPalette::Active, QPalette::Button), SheetStyle::accent(darkPalette()));
        // A disabled main action is drawn like any disabled button.
        QCOMPARE(save->palette().color(QPalette::Disabled, QPalette::Button),
            window.palette().color(QPalette::Disabled, QPalette::Button));
        QVERIFY(save->minimumHeight() >= 30);
    }
};

QTEST_MAIN(SheetStyleTests)
#include "SheetStyleTests.moc"
