// The card in front: every field it shows and what each of its controls does.
#include "Tallowin/presentation/SourceLink.h"
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/ElidedLabel.h"
#include "Tallowin/screens/EmptyStateView.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TaskCard.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/app/support/WindowHarness.h"
#include "tests/support/DeckBuilders.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace tallowin;
using namespace tallowin::test;

class TaskCardTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void theCardShowsEveryFieldOfTheTaskInFront()
    {
        WindowHarness window(WindowDecks::review());
        TaskCard &card = *window.canvas().card();
        const TaskItem &task = *card.task();
        QCOMPARE(task.id, std::string("KB-101"));
        QCOMPARE(card.titleLabel()->text(), QString::fromStdString(task.title));
        QCOMPARE(card.accessibleName(), QString::fromStdString(task.title));
        QCOMPARE(card.contextLabel()->text(), QString::fromStdString(task.context));
        QCOMPARE(card.personField()->text(), QString("Ana Moreno"));
        QCOMPARE(card.personField()->toolTip(), QString("Edit the person without advancing this run"));
        QCOMPARE(card.kindBadge()->text(), QString("Commitment"));
        // An active card needs no state badge; the follow-up badge marks the highlight.
        QVERIFY(card.stateBadge()->isHidden());
        QVERIFY(!card.followUpBadge()->isHidden());
        QCOMPARE(card.followUpBadge()->text(), QString("Highlighted for follow-up"));
        QCOMPARE(card.sourcesLabel()->text(), QString("Email from Ana  ·  Lease addendum (PDF)  ·  #home channel"));
        QCOMPARE(card.sourceButton()->text(), QString("Source"));

        const QStringList buttons = {"Read full task", "Ask ChatGPT", "Merge tasks", "Complete"};
        for (const QString &label : buttons) {
            const auto found = card.findChildren<QPushButton *>();
            QVERIFY(
                std::any_of(found.begin(), found.end(), [&](QPushButton *button) { return button->text() == label; }));
        }
        QPushButton *read = card.findChild<QPushButton *>("readFullTask");
        QCOMPARE(read->toolTip(), QString("Task details and options"));
    }

    void aLongTitleEndsInAnEllipsisWithTheWholeTitleOnHover()
    {
        WindowHarness window(WindowDecks::longCard());
        ElidedLabel *title = window.canvas().card()->titleLabel();
        QVERIFY(title->isElided());
        QVERIFY(title->shownText().endsWith(QStringLiteral("…")));
        QCOMPARE(title->shownText().count('\n'), 2);
        QCOMPARE(title->toolTip(), title->text());
        QCOMPARE(window.canvas().card()->kindBadge()->text(), QString("At risk"));
    }

    void aDelayedCardInAPileShowsItsState()
    {
        WindowHarness window(WindowDecks::review());
        window.store->openPileCarousel(DelayChoice::tomorrow);
        TaskCard &card = *window.canvas().card();
        QCOMPARE(card.stateBadge()->text(), QString("Delayed"));
        QVERIFY(!card.stateBadge()->isHidden());
        QVERIFY(card.followUpBadge()->isHidden());
        // No sources: nothing to open.
        QVERIFY(card.sourceButton()->isHidden());
    }

    void theCardsButtonsOpenTheirSheetsForThisCard()
    {
        WindowHarness window(WindowDecks::review());
        TaskCard &card = *window.canvas().card();
        const std::string id = card.task()->id;
        const struct
        {
            const char *button;
            TallowinPresentation presentation;
        } cases[]
            = {{"readFullTask", TallowinPresentation::details(id)}, {"askChatGPT", TallowinPresentation::action(id)},
                {"mergeTasks", TallowinPresentation::merge(id)}, {"complete", TallowinPresentation::completion(id)}};
        for (const auto &item : cases) {
            card.findChild<QPushButton *>(item.button)->click();
            QCOMPARE(window.store->presentation(), std::optional(item.presentation));
            window.store->dismissPresentation();
        }
    }

    void thePersonEditsInPlaceWithoutMovingOn()
    {
        WindowHarness window(WindowDecks::review());
        TaskCard &card = *window.canvas().card();
        QLineEdit *person = card.personField();
        person->setFocus();
        person->selectAll();
        QTest::keyClicks(person, "Ana Moreno-Silva");
        QTest::keyClick(person, Qt::Key_Return);
        QCOMPARE(window.store->notice().value_or(""), std::string("Updated the card owner."));
        window.settle();
        QCOMPARE(window.currentID(), std::string("KB-101"));
        QCOMPARE(window.store->currentTask()->person, std::string("Ana Moreno-Silva"));
        QCOMPARE(person->text(), QString("Ana Moreno-Silva"));

        // Esc puts back what the deck says and saves nothing.
        const std::int64_t revision = window.store->document().revision;
        person->setFocus();
        QTest::keyClicks(person, " typo");
        QTest::keyClick(person, Qt::Key_Escape);
        QCOMPARE(person->text(), QString("Ana Moreno-Silva"));
        // Return on an unchanged or blank person changes nothing.
        person->setFocus();
        QTest::keyClick(person, Qt::Key_Return);
        person->clear();
        QTest::keyClick(person, Qt::Key_Return);
        QCOMPARE(person->text(), QString("Ana Moreno-Silva"));
        QCOMPARE(window.store->document().revision, revision);
    }

    void sourcesOpenOnlyAsWebLinks()
    {
        TallowinDocument deck = WindowDecks::review();
        deck.tasks[1].sources = {TaskSource {"Runbook", "https://wiki.example.com/runbook", {}, {}, {}}};
        deck.tasks[2].sources = {TaskSource {"Local file", "file:///home/ana/.ssh/id_ed25519", {}, {}, {}}};
        WindowHarness window(deck);
        TaskCard &card = *window.canvas().card();

        // Several sources: the button lists them, each opens its own link.
        QMenu *menu = card.sourceButton()->menu();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 3);
        QCOMPARE(menu->actions()[1]->text(), QString("Lease addendum (PDF)"));
        menu->actions()[1]->trigger();
        QCOMPARE(window.harness.openedLinks, std::vector<std::string> {"https://files.example.com/lease-addendum.pdf"});

        window.store->nextCard(window.currentID());
        window.settle();
        QVERIFY(!card.sourceButton()->menu());
        card.sourceButton()->click();
        QCOMPARE(window.harness.openedLinks.back(), std::string("https://wiki.example.com/runbook"));

        window.store->nextCard(window.currentID());
        window.settle();
        card.sourceButton()->click();
        QCOMPARE(window.harness.openedLinks.size(), std::size_t(2));
        QCOMPARE(window.store->errorMessage().value_or(""), std::string(SourceLink::notAWebLink));
    }

    void theEmptyStatesSayWhereTheUserIs()
    {
        const struct
        {
            TallowinDocument deck;
            const char *title;
            const char *text;
            const char *button;
        } cases[] = {
            {makeDocument(), "One task at a time.",
                "Add something you need to do. Then complete it, save it for later, or move to the next card.",
                "New task"},
            {WindowDecks::allCaughtUp(), "You’re all caught up.", "Open Decks to review your saved piles.", nullptr},
            {WindowDecks::runFinished(), "Your choices are saved. Review again whenever you’re ready.", nullptr,
                "Review again"},
        };
        for (const auto &item : cases) {
            WindowHarness window(item.deck);
            EmptyStateView *empty = window.canvas().emptyState();
            QVERIFY(empty->isVisible());
            QVERIFY(!window.canvas().card()->isVisible());
            QCOMPARE(empty->titleLabel()->text(), QString(item.title));
            QCOMPARE(empty->textLabel()->isHidden(), item.text == nullptr);
            if (item.text) {
                QCOMPARE(empty->textLabel()->text(), QString(item.text));
            }
            QCOMPARE(empty->newTaskButton()->isHidden(), QString(item.button) != "New task");
            QCOMPARE(empty->reviewAgainButton()->isHidden(), QString(item.button) != "Review again");
        }

        WindowHarness fresh(makeDocument());
        fresh.canvas().emptyState()->newTaskButton()->click();
        QCOMPARE(fresh.store->presentation(), std::optional(TallowinPresentation::newTask()));

        WindowHarness finished(WindowDecks::runFinished());
        finished.canvas().emptyState()->reviewAgainButton()->click();
        QCOMPARE(finished.store->notice().value_or(""), std::string("Started a new review run."));
        finished.settle();
        QVERIFY(finished.canvas().card()->isVisible());
    }

    void theCanvasTitleNamesTheQueueOrThePile()
    {
        WindowHarness window(WindowDecks::review());
        DeckCanvas &canvas = window.canvas();
        QCOMPARE(canvas.titleLabel()->text(), QString("To review"));
        QVERIFY(canvas.backButton()->isHidden());
        QCOMPARE(canvas.countLabel()->text(), QString("4 of 15"));
        window.window->actions().openPile[std::size_t(DelayChoice::nextWeek)]->trigger();
        QCOMPARE(canvas.titleLabel()->text(), QString("Next week"));
        QVERIFY(!canvas.backButton()->isHidden());
        QCOMPARE(canvas.backButton()->text(), QString("Back to all piles"));
        QCOMPARE(canvas.backButton()->toolTip(), QString("Back to all piles (Esc)"));
        QCOMPARE(canvas.countLabel()->text(), QString("2 cards"));
        canvas.backButton()->click();
        QVERIFY(!window.store->review().pileCarousel);
        QCOMPARE(canvas.titleLabel()->text(), QString("To review"));
    }
};

QTEST_MAIN(TaskCardTests)
#include "TaskCardTests.moc"
