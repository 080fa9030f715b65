// The main window: its pages, its menus and keys, the keyboard path through it, the notice and the save feedback.
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/DeckHeader.h"
#include "Tallowin/screens/NoticeCapsule.h"
#include "Tallowin/screens/SaveFeedbackPanel.h"
#include "Tallowin/screens/StatusPage.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"
#include "Tallowin/screens/TaskCard.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/app/support/WindowHarness.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <fstream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

QStringList menuItems(QMenu *menu)
{
    QStringList items;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString keys = action->shortcut().toString();
        items << (keys.isEmpty() ? action->text() : action->text() + " " + keys);
    }
    return items;
}

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(widget);
    return interface ? interface->text(QAccessible::Name) : QString();
}

} // namespace

class TallowinAppTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void theFirstAppearanceLoadsTheDeck()
    {
        StoreHarness harness;
        harness.writeDeck(WindowDecks::review());
        auto store = harness.makeStore();
        TallowinApp window(*store, TallowinApp::Options {TallowinPresentedSheet::defaultFactory(), {}});
        QCOMPARE(window.page(), TallowinApp::Page::opening);
        QCOMPARE(window.openingPage()->titleLabel()->text(), QString("Opening your tasks…"));
        QVERIFY(!store->reloadGate().isLoading);
        window.show();
        QVERIFY(store->reloadGate().isLoading);
        window.hide();
        window.show();
        harness.settle();
        QCOMPARE(window.page(), TallowinApp::Page::home);
        QCOMPARE(window.windowTitle(), QString("Tallowin"));
        QCOMPARE(store->document().revision, WindowDecks::review().revision);
    }

    void aDeckThatCannotBeOpenedSaysSoAndTriesAgain()
    {
        StoreHarness harness;
        std::ofstream(harness.deckFile) << "# Tallowin\n\nNo data here.\n";
        auto store = harness.makeStore();
        TallowinApp window(*store, TallowinApp::Options {TallowinPresentedSheet::defaultFactory(), {}});
        window.show();
        harness.settle();
        QCOMPARE(window.page(), TallowinApp::Page::couldNotOpen);
        StatusPage &page = *window.couldNotOpenPage();
        QCOMPARE(page.titleLabel()->text(), QString("Your tasks could not be opened."));
        QCOMPARE(page.headingLabel()->text(), QString("Tallowin needs attention"));
        QCOMPARE(page.errorLabel()->text(), QString("Tallowin data markers are missing from the Markdown file."));
        QCOMPARE(page.tryAgainButton()->text(), QString("Try again"));

        harness.writeDeck(WindowDecks::review());
        page.tryAgainButton()->click();
        QCOMPARE(window.page(), TallowinApp::Page::opening);
        harness.settle();
        QCOMPARE(window.page(), TallowinApp::Page::home);
        QVERIFY(!store->errorMessage());
    }

    void theMenusCarryTheirItemsAndKeys()
    {
        WindowHarness window(WindowDecks::review());
        QList<QMenu *> menus;
        for (QAction *action : window.window->menuBar()->actions())
            menus << action->menu();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->title(), QString("&File"));
        QCOMPARE(menus[1]->title(), QString("&Edit"));
        QCOMPARE(menus[2]->title(), QString("&Task"));
        QCOMPARE(menuItems(menus[0]), QStringList({"New Task Ctrl+N", "Export Diagnostics…", "Quit Ctrl+Q"}));
        QCOMPARE(menuItems(menus[1]), QStringList({"Undo Ctrl+Z"}));
        QCOMPARE(menuItems(menus[2]),
            QStringList({"Next task Ctrl+Down", "Remove task Ctrl+Left", "Choose when this returns Ctrl+Right",
                "Complete task Ctrl+Return"}));
    }

    void everyKeyActsOnTheCardInFront()
    {
        WindowHarness window(WindowDecks::review());
        QWidget *focus = window.canvas().card();
        focus->setFocus();
        const std::string first = window.currentID();

        QTest::keyClick(focus, Qt::Key_Down, Qt::ControlModifier);
        QVERIFY(window.currentID() != first);
        QCOMPARE(window.store->saveActivity(), TallowinSaveActivity::reviewOrder);
        window.settle();

        const std::string second = window.currentID();
        QTest::keyClick(focus, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(window.store->notice().value_or(""), std::string("Task removed. Choose Undo to bring it back."));
        window.settle();
        QTest::keyClick(window.canvas().card(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(window.store->notice().value_or(""), std::string("Undid the last action."));
        window.settle();
        QCOMPARE(window.currentID(), second);

        QTest::keyClick(window.canvas().card(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::delay(second)));
        window.store->dismissPresentation();
        QTest::keyClick(window.canvas().card(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::completion(second)));
        window.store->dismissPresentation();
        QTest::keyClick(window.canvas().card(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::newTask()));
        window.store->dismissPresentation();
    }

    void keysNeverActWhileTheUserTypes()
    {
        WindowHarness window(WindowDecks::review());
        QLineEdit *person = window.canvas().card()->personField();
        person->setFocus();
        person->setCursorPosition(person->text().size());
        const TallowinDocument before = window.store->document();
        QTest::keyClick(person, Qt::Key_Left, Qt::ControlModifier);
        // The cursor moved back by a word ("Ana Moreno" → before "Moreno"); the card stays.
        QCOMPARE(person->cursorPosition(), 4);
        QTest::keyClick(person, Qt::Key_Right, Qt::ControlModifier);
        QTest::keyClick(person, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(person, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClick(person, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(window.store->document(), before);
        QVERIFY(!window.store->presentation());
    }

    void escClosesThePileCarouselAndReleasesThePinnedRail()
    {
        WindowHarness window(WindowDecks::review());
        window.store->openPileCarousel(DelayChoice::tomorrow);
        QTest::keyClick(window.canvas().card(), Qt::Key_Escape);
        QVERIFY(!window.store->review().pileCarousel);
        QCOMPARE(window.window->canvas()->titleLabel()->text(), QString("To review"));

        window.drag(window.canvas().cardRect().center() + QPoint(220, 0));
        QVERIFY(window.store->review().delayRailPinned);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!window.store->review().delayRailPinned);
    }

    void tabReachesEveryControlAndEachIsNamedByItsLabel()
    {
        WindowHarness window(WindowDecks::review());
        DeckHeader &header = *window.window->header();
        header.statusButton()->setFocus(Qt::TabFocusReason);
        QStringList reached;
        QWidget *start = QApplication::focusWidget();
        for (int step = 0; step < 40; ++step) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            reached << accessibleName(focus);
            QTest::keyClick(focus, Qt::Key_Tab);
            if (QApplication::focusWidget() == start)
                break;
        }
        const QStringList expected = {"Saved on this Mac", "Decks", "Find new tasks", "Settings", "New task",
            QString::fromStdString(window.store->currentTask()->title), "Ana Moreno", "Source", "Read full task",
            "Ask ChatGPT", "Merge tasks", "Complete", "Remove", "Delay: Next review", "Delay: Tomorrow",
            "Delay: Next week", QStringLiteral("Choose a date…")};
        for (const QString &name : expected)
            QVERIFY2(reached.contains(name), qPrintable(name + " not reached: " + reached.join(", ")));

        // Buttons are named by what they show.
        for (QAbstractButton *button : window.window->findChildren<QAbstractButton *>()) {
            if (!button->isVisible() || button->text().isEmpty())
                continue;
            QCOMPARE(accessibleName(button), button->text());
        }
    }

    void theNoticeCapsuleCarriesUndoAfterADrop()
    {
        WindowHarness window(WindowDecks::review());
        NoticeCapsule &capsule = *window.window->noticeCapsule();
        QVERIFY(capsule.isHidden());
        window.drag(window.removeCentre());
        QVERIFY(capsule.isVisible());
        QCOMPARE(capsule.textLabel()->text(), QString("Task removed. Choose Undo to bring it back."));
        QVERIFY(!capsule.undoButton()->isHidden());
        QCOMPARE(capsule.undoButton()->text(), QString("Undo"));
        QVERIFY(!capsule.undoButton()->isEnabled());
        window.settle();
        QVERIFY(capsule.undoButton()->isEnabled());
        capsule.undoButton()->click();
        QCOMPARE(capsule.textLabel()->text(), QString("Undid the last action."));
        QVERIFY(capsule.undoButton()->isHidden());
        window.settle();
        QCOMPARE(window.currentID(), std::string("KB-101"));
        // It goes by itself after a while.
        QTRY_VERIFY_WITH_TIMEOUT(capsule.isHidden(), NoticeCapsule::visibleMs * 3);
        QVERIFY(!window.store->notice());
    }

    void theSaveFeedbackKeepsTheInputAndIsDismissed()
    {
        WindowHarness window(WindowDecks::review());
        SaveFeedbackPanel &feedback = *window.window->saveFeedback();
        QVERIFY(feedback.isHidden());
        window.store->reportError("Tallowin is being updated by another writer. Reload and retry.");
        QVERIFY(feedback.isVisible());
        QCOMPARE(feedback.titleLabel()->text(), QString("Couldn’t save your change"));
        QCOMPARE(feedback.messageLabel()->text(),
            QString("Your input is still here. Tallowin is being updated by another writer. Reload and retry."));
        QCOMPARE(feedback.keepEditingButton()->text(), QString("Keep editing"));
        feedback.keepEditingButton()->click();
        QVERIFY(!window.store->errorMessage());
        QVERIFY(feedback.isHidden());
    }
};

QTEST_MAIN(TallowinAppTests)
#include "TallowinAppTests.moc"
