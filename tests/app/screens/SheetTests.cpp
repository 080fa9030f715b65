// The sheet host and the sheets of the review loop: their texts, what each saves, and that a sheet closes only when
// the store took its action.
#include "Tallowin/screens/ActionSheet.h"
#include "Tallowin/screens/CompletionSheet.h"
#include "Tallowin/screens/CustomDateSheet.h"
#include "Tallowin/screens/DelaySheet.h"
#include "Tallowin/screens/InboxSheet.h"
#include "Tallowin/screens/MergeSheet.h"
#include "Tallowin/screens/NewTaskSheet.h"
#include "Tallowin/screens/SaveFeedbackPanel.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"
#include "Tallowin/screens/TallowinSettingsView.h"
#include "Tallowin/screens/TaskBrowserSheet.h"
#include "Tallowin/screens/TaskDetailsSheet.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/app/support/WindowHarness.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

using namespace tallowin;
using namespace tallowin::test;

namespace {

QStringList labelTexts(const QWidget *widget)
{
    QStringList texts;
    for (const QLabel *label : widget->findChildren<QLabel *>()) {
        if (!label->isHidden())
            texts << label->text();
    }
    return texts;
}

const TaskItem &cardOf(const TaskStore &store, const std::string &id)
{
    for (const TaskItem &task : store.document().tasks) {
        if (task.id == id)
            return task;
    }
    throw std::runtime_error("no card " + id);
}

// A sheet whose submit only counts, for the host's own rules.
class CountingSheet : public TallowinSheet
{
public:
    CountingSheet(TaskStore &store, QWidget *parent)
        : TallowinSheet(store, parent)
    { }
    QString title() const override { return QStringLiteral("Counting"); }
    void submit() override { ++submitted; }
    int submitted = 0;
};

} // namespace

class SheetTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void theHostShowsThePresentedSheetAndClosesWithThePresentation()
    {
        std::vector<TallowinPresentation> made;
        TallowinApp::Options options;
        options.sheets = [&made](TaskStore &store, const TallowinPresentation &presentation, QWidget *parent) {
            made.push_back(presentation);
            return new CountingSheet(store, parent);
        };
        const TallowinDocument deck = WindowDecks::review();
        WindowHarness window(&deck, options);
        TallowinPresentedSheet &host = *window.window->sheetHost();
        QVERIFY(!host.isVisible());
        window.store->present(TallowinPresentation::completion("KB-101"));
        QVERIFY(host.isVisible());
        QCOMPARE(host.windowTitle(), QString("Counting"));
        QCOMPARE(host.windowModality(), Qt::WindowModal);
        auto *sheet = static_cast<CountingSheet *>(host.sheet());
        QTest::keyClick(&host, Qt::Key_Return);
        QCOMPARE(sheet->submitted, 1);
        // The same presentation again is the same sheet; another one replaces it.
        window.store->present(TallowinPresentation::completion("KB-101"));
        QCOMPARE(made.size(), std::size_t(1));
        window.store->present(TallowinPresentation::completion("KB-102"));
        QCOMPARE(made.size(), std::size_t(2));
        QTest::keyClick(&host, Qt::Key_Escape);
        QVERIFY(!window.store->presentation());
        QVERIFY(!host.isVisible());
        window.store->present(TallowinPresentation::newTask());
        host.close();
        QVERIFY(!window.store->presentation());
    }

    void everyCaseHasItsOwnSheetTitledOnTheHostAndEscClosesIt()
    {
        WindowHarness window(WindowDecks::review());
        TallowinPresentedSheet &host = *window.window->sheetHost();
        const struct
        {
            TallowinPresentation presentation;
            std::function<bool(QWidget *)> isExpectedSheet;
        } cases[] = {
            {TallowinPresentation::action("KB-101"), [](QWidget *w) { return qobject_cast<ActionSheet *>(w); }},
            {TallowinPresentation::merge("KB-101"), [](QWidget *w) { return qobject_cast<MergeSheet *>(w); }},
            {TallowinPresentation::details("KB-101"), [](QWidget *w) { return qobject_cast<TaskDetailsSheet *>(w); }},
            {TallowinPresentation::allTasks(), [](QWidget *w) { return qobject_cast<TaskBrowserSheet *>(w); }},
            {TallowinPresentation::inbox(), [](QWidget *w) { return qobject_cast<InboxSheet *>(w); }},
            {TallowinPresentation::settings(), [](QWidget *w) { return qobject_cast<TallowinSettingsView *>(w); }},
        };
        for (const auto &item : cases) {
            window.store->present(item.presentation);
            QVERIFY(item.isExpectedSheet(host.sheet()));
            QVERIFY(!host.sheet()->title().isEmpty());
            QCOMPARE(host.windowTitle(), host.sheet()->title());
            QTest::keyClick(&host, Qt::Key_Escape);
            QVERIFY(!window.store->presentation());
            QVERIFY(!host.isVisible());
        }
    }

    void completionSavesTheOutcomeWithItsEvidence()
    {
        WindowHarness window(WindowDecks::review());
        window.window->actions().completeTask->trigger();
        auto *sheet = qobject_cast<CompletionSheet *>(window.window->sheetHost()->sheet());
        QVERIFY(sheet);
        const QStringList texts = labelTexts(sheet);
        QVERIFY(texts.contains("Mark completed"));
        QVERIFY(texts.contains("Links are saved as evidence."));
        QCOMPARE(sheet->outcomeField()->placeholderText(), QString("Add an outcome or evidence link, optional."));
        QCOMPARE(sheet->evidenceLabel()->text(), QString("0 evidence links found"));
        QTest::keyClicks(sheet->outcomeField(), "Sent, see https://example.com/a");
        QCOMPARE(sheet->evidenceLabel()->text(), QString("1 evidence link found"));
        QTest::keyClicks(sheet->outcomeField(), " and https://example.com/b.");
        QCOMPARE(sheet->evidenceLabel()->text(), QString("2 evidence links found"));
        QCOMPARE(sheet->completeButton()->text(), QString("Complete"));

        // Shift+Return is a new line; Return saves.
        QTest::keyClick(sheet->outcomeField(), Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(sheet->outcomeField()->text().endsWith('\n'));
        QTest::keyClick(sheet->outcomeField(), Qt::Key_Return);
        const TaskItem &done = cardOf(*window.store, "KB-101");
        QCOMPARE(done.state, TaskState::completed);
        QCOMPARE(done.result, std::string("Sent, see https://example.com/a and https://example.com/b."));
        QCOMPARE(std::count_if(done.sources.begin(), done.sources.end(),
                     [](const TaskSource &source) { return source.label == "Completion evidence"; }),
            2);
        QVERIFY(!window.store->presentation());
        QTRY_VERIFY(!window.window->sheetHost()->isVisible());
    }

    void aRefusedCompletionKeepsTheSheetAndItsText()
    {
        WindowHarness window(WindowDecks::review());
        window.store->nextCard(window.currentID());
        // The review order is being written: the store takes no action now.
        window.store->present(TallowinPresentation::completion("KB-101"));
        auto *sheet = qobject_cast<CompletionSheet *>(window.window->sheetHost()->sheet());
        QTest::keyClicks(sheet->outcomeField(), "Done");
        sheet->completeButton()->click();
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::completion("KB-101")));
        QCOMPARE(sheet->outcomeField()->text(), QString("Done"));
        QCOMPARE(cardOf(*window.store, "KB-101").state, TaskState::active);
        window.settle();
        sheet->completeButton()->click();
        QCOMPARE(cardOf(*window.store, "KB-101").state, TaskState::completed);
    }

    void theDelaySheetSendsTheCardToThePileChosen()
    {
        const struct
        {
            DelayChoice choice;
            const char *button;
        } cases[] = {{DelayChoice::nextRun, "Next review"}, {DelayChoice::tomorrow, "Tomorrow"},
            {DelayChoice::nextWeek, "Next week"}};
        for (const auto &item : cases) {
            WindowHarness window(WindowDecks::review());
            window.window->actions().chooseWhenThisReturns->trigger();
            auto *sheet = qobject_cast<DelaySheet *>(window.window->sheetHost()->sheet());
            QVERIFY(sheet);
            QCOMPARE(window.window->sheetHost()->windowTitle(), QString("Choose when this returns"));
            QCOMPARE(sheet->choiceButton(DelayChoice::custom)->text(), QStringLiteral("Choose a date…"));
            QCOMPARE(sheet->choiceButton(item.choice)->text(), QString(item.button));
            sheet->choiceButton(item.choice)->setFocus();
            QTest::keyClick(sheet->choiceButton(item.choice), Qt::Key_Return);
            QCOMPARE(cardOf(*window.store, "KB-101").delayTarget,
                std::optional<std::string>(std::string(rawValue(item.choice))));
            QVERIFY(!window.store->presentation());
        }
    }

    void aChosenDateSavesTheCardUntilThenWithItsNote()
    {
        WindowHarness window(WindowDecks::review());
        window.window->actions().chooseWhenThisReturns->trigger();
        auto *sheet = qobject_cast<DelaySheet *>(window.window->sheetHost()->sheet());
        sheet->choiceButton(DelayChoice::custom)->click();
        QVERIFY(sheet->showsCustomDate());
        QVERIFY(window.store->presentation());
        QCOMPARE(window.window->sheetHost()->windowTitle(), QString("Choose a return time"));
        CustomDateSheet *date = sheet->customDate();
        const QStringList texts = labelTexts(date);
        QVERIFY(texts.contains("Choose a return time"));
        QVERIFY(texts.contains("The card will stay visible in its dated pile until this time."));
        QVERIFY(texts.contains("Return saves this date"));
        QCOMPARE(date->noteField()->placeholderText(), QString("Add a note, optional"));
        QCOMPARE(date->saveButton()->text(), QString("Save for later"));
        // The harness's now is 14 March 2026, 10:26 in Berlin: the proposal is the next morning at nine.
        QCOMPARE(date->dateField()->dateTime(), QDateTime(QDate(2026, 3, 15), QTime(9, 0)));

        date->dateField()->setDateTime(QDateTime(QDate(2026, 4, 2), QTime(14, 30)));
        QTest::keyClicks(date->noteField(), "After the landlord is back");
        QTest::keyClick(date->noteField(), Qt::Key_Return);
        const TaskItem &card = cardOf(*window.store, "KB-101");
        QCOMPARE(card.state, TaskState::delayed);
        QCOMPARE(card.resumeAt, std::optional<std::string>("2026-04-02T12:30:00.000Z"));
        QCOMPARE(card.history.back().note, std::string("After the landlord is back"));
        QCOMPARE(window.store->notice().value_or(""), std::string("Moved " + card.title + " to choose a date…."));
        QVERIFY(!window.store->presentation());
    }

    void theNewTaskSheetAddsATaskOnceItHasATitle()
    {
        WindowHarness window(WindowDecks::review());
        window.window->actions().newTask->trigger();
        auto *sheet = qobject_cast<NewTaskSheet *>(window.window->sheetHost()->sheet());
        QVERIFY(sheet);
        QVERIFY(labelTexts(sheet).contains("New task"));
        QVERIFY(labelTexts(sheet).contains("Only a title is required. Return saves · Esc closes"));
        QCOMPARE(sheet->titleField()->placeholderText(), QString("What needs to happen?"));
        QCOMPARE(sheet->contextField()->placeholderText(), QString("Add the useful context"));
        QCOMPARE(sheet->personField()->placeholderText(), QString("Person, optional"));
        QCOMPARE(sheet->addButton()->text(), QString("Add task"));
        QVERIFY(!sheet->addButton()->isEnabled());
        QTest::keyClicks(sheet->titleField(), "   ");
        QVERIFY(!sheet->addButton()->isEnabled());
        QTest::keyClick(sheet->titleField(), Qt::Key_Return);
        QVERIFY(window.store->presentation());

        sheet->titleField()->setText("Ask Priya for the budget sheet");
        QVERIFY(sheet->addButton()->isEnabled());
        QTest::keyClicks(sheet->contextField(), "Last year's numbers");
        QTest::keyClicks(sheet->personField(), "Priya");
        const std::size_t before = window.store->document().tasks.size();
        QTest::keyClick(sheet->personField(), Qt::Key_Return);
        QCOMPARE(window.store->document().tasks.size(), before + 1);
        const TaskItem &added = window.store->document().tasks.back();
        QCOMPARE(added.title, std::string("Ask Priya for the budget sheet"));
        QCOMPARE(added.context, std::string("Last year's numbers"));
        QCOMPARE(added.person, std::string("Priya"));
        QCOMPARE(window.store->notice().value_or(""), std::string("Task added."));
        QVERIFY(!window.store->presentation());
    }

    void aNewTaskWhileASaveIsWrittenStaysInTheSheet()
    {
        WindowHarness window(WindowDecks::review());
        window.store->remove(window.currentID());
        window.store->present(TallowinPresentation::newTask());
        auto *sheet = qobject_cast<NewTaskSheet *>(window.window->sheetHost()->sheet());
        sheet->titleField()->setText("Keep me");
        sheet->addButton()->click();
        QVERIFY(window.store->presentation());
        QCOMPARE(sheet->titleField()->text(), QString("Keep me"));
        window.settle();
        sheet->addButton()->click();
        QCOMPARE(window.store->document().tasks.back().title, std::string("Keep me"));
    }

    void anErrorShowsInTheOpenSheetToo()
    {
        WindowHarness window(WindowDecks::review());
        window.store->present(TallowinPresentation::completion("KB-101"));
        SaveFeedbackPanel *feedback = window.window->sheetHost()->feedback();
        QVERIFY(feedback->isHidden());
        window.store->complete("KB-999", "");
        QVERIFY(!feedback->isHidden());
        QVERIFY(feedback->messageLabel()->text().startsWith("Your input is still here. "));
        feedback->keepEditingButton()->click();
        QVERIFY(feedback->isHidden());
        QVERIFY(window.store->presentation());
    }
};

QTEST_MAIN(SheetTests)
#include "SheetTests.moc"
