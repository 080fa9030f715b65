// The header of home: its texts in every state of the store, and what each of its controls asks the store for.
#include "Tallowin/screens/DeckHeader.h"
#include "Tallowin/screens/HeaderPanel.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/app/support/WindowHarness.h"
#include "tests/support/DeckBuilders.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace tallowin;
using namespace tallowin::test;

namespace {

QStringList texts(const QMenu *menu)
{
    QStringList result;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            result << action->text();
    }
    return result;
}

QPushButton *buttonNamed(const HeaderPanel *panel, const QString &text)
{
    for (QPushButton *button : panel->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

class DeckHeaderTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void theStatusFollowsTheStore()
    {
        StoreHarness harness;
        harness.writeDeck(WindowDecks::review());
        auto store = harness.makeStore();
        TallowinApp window(*store, TallowinApp::Options {TallowinPresentedSheet::defaultFactory(), {}});
        DeckHeader &header = *window.header();
        QCOMPARE(header.statusButton()->text(), QString("Opening…"));
        store->reload();
        harness.settle();
        QCOMPARE(header.statusButton()->text(), QString("Saved on this Mac"));
        QCOMPARE(header.statusButton()->toolTip(), QString("View your file location"));
        store->remove(store->currentTask()->id);
        QCOMPARE(header.statusButton()->text(), QString("Saving…"));
        harness.settle();
        QCOMPARE(header.statusButton()->text(), QString("Saved on this Mac"));
        // Moving on only rewrites the review order: never busy.
        store->nextCard(store->currentTask()->id);
        QCOMPARE(header.statusButton()->text(), QString("Saved on this Mac"));
        store->reportError("The disk is full.");
        QCOMPARE(header.statusButton()->text(), QString("Needs attention"));
        harness.settle();
    }

    void theButtonsCarryTheirLabelsAndHelp()
    {
        WindowHarness window(WindowDecks::review());
        DeckHeader &header = *window.window->header();
        QCOMPARE(header.decksButton()->text(), QString("Decks"));
        QCOMPARE(header.decksButton()->toolTip(), QString("Decks and saved piles"));
        QCOMPARE(header.findNewTasksButton()->text(), QString("Find new tasks"));
        QCOMPARE(header.undoButton()->text(), QString("Undo last action"));
        QCOMPARE(header.undoButton()->toolTip(), QString("Undo last action (⌘Z)"));
        QCOMPARE(header.settingsButton()->text(), QString("Settings"));
        QCOMPARE(header.newTaskButton()->text(), QString("New task"));
    }

    void decksListsEveryCountAndOpensWhatItNames()
    {
        WindowHarness window(WindowDecks::review());
        QMenu *decks = window.window->header()->decksButton()->menu();
        QCOMPARE(texts(decks),
            QStringList({"All tasks", "Completed", "With ChatGPT (1)", "Inbox (2)", "Next review (0)", "Tomorrow (3)",
                "Next week (2)", "Scheduled (0)"}));

        const struct
        {
            const char *item;
            std::optional<TallowinPresentation> presentation;
            OpenFilter filter;
        } cases[] = {{"All tasks", TallowinPresentation::allTasks(), OpenFilter::all},
            {"Completed", TallowinPresentation::allTasks(), OpenFilter::completed},
            {"With ChatGPT (1)", TallowinPresentation::allTasks(), OpenFilter::actionRequested},
            {"Inbox (2)", TallowinPresentation::inbox(), OpenFilter::actionRequested}};
        for (const auto &item : cases) {
            for (QAction *action : decks->actions()) {
                if (action->text() == item.item)
                    action->trigger();
            }
            QCOMPARE(window.store->presentation(), item.presentation);
            QCOMPARE(window.store->openFilter(), item.filter);
            window.store->dismissPresentation();
        }

        for (QAction *action : decks->actions()) {
            if (action->text() == "Tomorrow (3)")
                action->trigger();
        }
        QCOMPARE(window.store->review().pileCarouselChoice, std::optional(DelayChoice::tomorrow));
        QCOMPARE(window.store->review().carouselTitle, std::optional<std::string>("Tomorrow"));
        QCOMPARE(window.currentID(), std::string("KB-201"));

        // The counts follow the deck.
        window.store->closePileCarousel();
        window.store->delay(window.currentID(), DelayChoice::nextWeek);
        QVERIFY(texts(decks).contains("Next week (3)"));
    }

    void theFileLocationPanelShowsThePathAndItsActions()
    {
        WindowHarness window(WindowDecks::review());
        HeaderPanel *panel = window.window->header()->fileLocationPanel();
        QVERIFY(panel->findChild<QLabel *>("sheetHeading"));
        QCOMPARE(panel->findChild<QLabel *>("sheetHeading")->text(), QString("Your tasks stay on this Mac"));
        QCOMPARE(panel->pathLabel()->text(), QString::fromStdString(window.harness.deckFile.string()));
        QVERIFY(panel->pathLabel()->textInteractionFlags() & Qt::TextSelectableByMouse);

        window.window->header()->statusButton()->click();
        QTRY_VERIFY(panel->isVisible());
        buttonNamed(panel, "Open file")->click();
        QCOMPARE(window.opened, std::vector<std::filesystem::path> {window.harness.deckFile});
        QTRY_VERIFY(!panel->isVisible());
        buttonNamed(panel, "Show in Finder")->click();
        QCOMPARE(window.revealed, std::vector<std::filesystem::path> {window.harness.deckFile});
        window.harness.panels->importAnswer.reset();
        buttonNamed(panel, "Import tasks…")->click();
        QVERIFY(!window.store->errorMessage());

        window.filesOpen = false;
        buttonNamed(panel, "Open file")->click();
        QCOMPARE(
            window.store->errorMessage().value_or(""), std::string("No application is set up to open your task file."));
        buttonNamed(panel, "Show in Finder")->click();
        QCOMPARE(
            window.store->errorMessage().value_or(""), std::string("The file manager could not show your task file."));
    }

    void theDiscoveryPanelOpensCodexAndWaitsForIt()
    {
        TallowinDocument deck = WindowDecks::review();
        ScanReport unfinished = makeCompleteScan();
        unfinished.allPagesRead = false;
        deck.lastSlackScan = unfinished;
        WindowHarness window(deck);
        HeaderPanel *panel = window.window->header()->discoveryPanel();
        const QList<QLabel *> labels = panel->findChildren<QLabel *>();
        QStringList shown;
        for (const QLabel *label : labels)
            shown << label->text();
        QVERIFY(shown.contains("Find tasks with Codex"));
        QVERIFY(shown.contains("Opens a prepared scan in Codex. Connect Slack there and run the scan. New suggestions "
                               "return to your inbox for review."));
        QVERIFY(!panel->retryLabel()->isHidden());
        QCOMPARE(panel->retryLabel()->text(), QString("The previous scan is incomplete. Codex will resume it."));

        QPushButton *openCodex = buttonNamed(panel, "Open Codex");
        QVERIFY(openCodex->isEnabled());
        openCodex->click();
        QVERIFY(window.store->isScanning());
        QVERIFY(!openCodex->isEnabled());
        window.settle();
        QVERIFY(openCodex->isEnabled());
        QCOMPARE(window.harness.openedLinks.size(), std::size_t(1));
        QVERIFY(window.harness.openedLinks.front().rfind("codex://", 0) == 0);

        WindowHarness complete(WindowDecks::review());
        QVERIFY(complete.window->header()->discoveryPanel()->retryLabel()->isHidden());
    }

    void undoAndNewTaskAreEnabledAsTheStoreSays()
    {
        WindowHarness window(WindowDecks::review());
        DeckHeader &header = *window.window->header();
        QVERIFY(!header.undoButton()->isEnabled());
        QVERIFY(header.newTaskButton()->isEnabled());
        window.store->complete(window.currentID(), "");
        // While the change is written neither can act.
        QVERIFY(!header.undoButton()->isEnabled());
        QVERIFY(!header.newTaskButton()->isEnabled());
        window.settle();
        QVERIFY(header.undoButton()->isEnabled());
        QVERIFY(header.newTaskButton()->isEnabled());
        const std::string afterComplete = window.currentID();
        header.undoButton()->click();
        QCOMPARE(window.store->notice().value_or(""), std::string("Undid the last action."));
        window.settle();
        QVERIFY(!header.undoButton()->isEnabled());
        // The completed card is back in front.
        QVERIFY(afterComplete != window.currentID());

        header.newTaskButton()->click();
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::newTask()));
        window.store->dismissPresentation();
        header.settingsButton()->click();
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::settings()));
    }
};

QTEST_MAIN(DeckHeaderTests)
#include "DeckHeaderTests.moc"
