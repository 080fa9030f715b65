// Return in a sheet's text fields: it saves, except in a list typed one item per line, where it starts a line.
#include "Tallowin/screens/SheetTextEdit.h"
#include "tests/app/support/WidgetTestEnvironment.h"

#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

using namespace tallowin;

namespace {

// A stand-in for the sheet host: Return anywhere in the window saves, unless a field claims the key.
struct Host
{
    QWidget window;
    SheetTextEdit *saves = new SheetTextEdit(SheetTextEdit::ReturnKey::saves, &window);
    SheetTextEdit *list = new SheetTextEdit(SheetTextEdit::ReturnKey::startsLine, &window);
    int submitted = 0;

    Host()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(saves);
        layout->addWidget(list);
        auto *shortcut = new QShortcut(QKeySequence(Qt::Key_Return), &window);
        QObject::connect(shortcut, &QShortcut::activated, &window, [this] { ++submitted; });
        window.show();
        window.activateWindow();
    }
};

} // namespace

class SheetTextEditTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { tallowin::test::pinWidgetTestEnvironment(); }

    void returnSavesAndShiftReturnStartsALine()
    {
        Host host;
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        host.saves->setFocus();
        QTest::keyClicks(host.saves, QStringLiteral("First"));
        QTest::keyClick(host.saves, Qt::Key_Return);
        QCOMPARE(host.submitted, 1);
        QCOMPARE(host.saves->text(), QStringLiteral("First"));
        QTest::keyClick(host.saves, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(host.saves, QStringLiteral("Second"));
        QCOMPARE(host.saves->text(), QStringLiteral("First\nSecond"));
        QCOMPARE(host.submitted, 1);
    }

    void aListFieldKeepsReturnForItsLines()
    {
        Host host;
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        host.list->setFocus();
        QTest::keyClicks(host.list, QStringLiteral("Ana"));
        QTest::keyClick(host.list, Qt::Key_Return);
        QTest::keyClicks(host.list, QStringLiteral("Ben"));
        QCOMPARE(host.list->text(), QStringLiteral("Ana\nBen"));
        QCOMPARE(host.submitted, 0);
    }

    void tabMovesOnInsteadOfTypingATab()
    {
        Host host;
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        host.saves->setFocus();
        QTest::keyClick(host.saves, Qt::Key_Tab);
        QVERIFY(host.list->hasFocus());
        QCOMPARE(host.saves->text(), QString());
    }
};

QTEST_MAIN(SheetTextEditTests)
#include "SheetTextEditTests.moc"
