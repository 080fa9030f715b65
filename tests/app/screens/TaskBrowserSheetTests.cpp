// The task browser: texts, the six filters, search, empty states, details beside the list, and 10,000 cards.
#include "Tallowin/screens/TaskBrowserSheet.h"
#include "Tallowin/screens/TaskDetailsView.h"
#include "Tallowin/screens/TaskListModel.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/base/UnicodeText.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/generator/DeckGenerator.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument browserDeck()
{
    const std::pair<TaskState, const char *> cards[] = {{TaskState::active, "Fix the kitchen tap"},
        {TaskState::delayed, "Call the plumber"}, {TaskState::actionRequested, "Draft the lease reply"},
        {TaskState::completed, "Pay rent"}, {TaskState::merged, "Buy a washer"}, {TaskState::removed, "Old idea"},
        {TaskState::active, "Plan the café visit"}};
    std::vector<TaskItem> tasks;
    int order = 1;
    for (const auto &[state, title] : cards) {
        TaskItem task = makeTask("KB-00" + std::to_string(order), order, state);
        task.title = title;
        task.person = order % 2 ? "Ana" : "Björn";
        if (state == TaskState::delayed)
            task.resumeAt = "2026-03-16T08:00:00.000Z";
        if (state == TaskState::merged)
            task.mergedInto = "KB-001";
        tasks.push_back(task);
        ++order;
    }
    // Highlighted cards lead the store's order.
    tasks[6].highlighted = true;
    return makeDocument(std::move(tasks));
}

QListView *listOf(const TaskBrowserSheet &sheet)
{
    return sheet.findChild<QListView *>();
}

QStringList titlesIn(const TaskBrowserSheet &sheet)
{
    QStringList titles;
    const QAbstractItemModel *model = listOf(sheet)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        titles << model->index(row, 0).data().toString();
    return titles;
}

QPushButton *filterButton(const TaskBrowserSheet &sheet, const char *name)
{
    return namedWidget<QPushButton>(&sheet, QString::fromUtf8(name));
}

QLineEdit *searchField(const TaskBrowserSheet &sheet)
{
    return namedWidget<QLineEdit>(&sheet, QStringLiteral("Search tasks or people"));
}

} // namespace

class TaskBrowserSheetTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void listsEveryCardInTheStoresOrderWithItsTexts()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);

        QCOMPARE(sheet.title(), QStringLiteral("All tasks"));
        const QStringList texts = visibleTexts(&sheet);
        for (const QString &text : {QStringLiteral("All tasks"),
                 QStringLiteral("Find a task, read its details, or bring it back into review."),
                 QStringLiteral("Search tasks or people"), QStringLiteral("All cards"), QStringLiteral("Active"),
                 QStringLiteral("Scheduled"), QStringLiteral("With ChatGPT"), QStringLiteral("Completed"),
                 QStringLiteral("Merged"), QStringLiteral("Review this task")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QStringList ordered;
        for (const TaskItem &task : store->orderedTasks())
            ordered << QString::fromStdString(task.title);
        QCOMPARE(titlesIn(sheet), ordered);
        QCOMPARE(titlesIn(sheet).first(), QStringLiteral("Plan the café visit"));
        QVERIFY(filterButton(sheet, "All cards")->isChecked());
        // The first card's details show beside the list.
        QCOMPARE(sheet.currentTaskID(), std::string("KB-007"));
    }

    void eachFilterShowsItsCardsThroughTheStore()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        const std::pair<const char *, QStringList> filters[] = {
            {"Active", {"Plan the café visit", "Fix the kitchen tap"}},
            {"Scheduled", {"Call the plumber"}},
            {"With ChatGPT", {"Draft the lease reply"}},
            {"Completed", {"Pay rent"}},
            {"Merged", {"Buy a washer"}},
            {"All cards",
                {"Plan the café visit", "Fix the kitchen tap", "Call the plumber", "Draft the lease reply", "Pay rent",
                    "Buy a washer", "Old idea"}},
        };
        for (const auto &[name, titles] : filters) {
            filterButton(sheet, name)->click();
            QCOMPARE(QString::fromUtf8(label(store->openFilter()).data()), QString::fromUtf8(name));
            QCOMPARE(titlesIn(sheet), titles);
        }
        // The store's filter, set from elsewhere, is followed.
        store->setOpenFilter(OpenFilter::completed);
        QVERIFY(filterButton(sheet, "Completed")->isChecked());
        QCOMPARE(titlesIn(sheet), QStringList {"Pay rent"});
    }

    void theDecksMenuOpensItOnAFilter()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        TaskBrowserSheet::open(*store, OpenFilter::actionRequested);
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::allTasks()));
        QCOMPARE(store->openFilter(), OpenFilter::actionRequested);
        TaskBrowserSheet sheet(*store, *store->presentation(), nullptr);
        QVERIFY(filterButton(sheet, "With ChatGPT")->isChecked());
        QCOMPARE(titlesIn(sheet), QStringList {"Draft the lease reply"});
    }

    void searchesTitlesAndPeopleAndSaysWhenNothingIsFound()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        typeText(searchField(sheet), QStringLiteral("cafe"));
        QCOMPARE(titlesIn(sheet), QStringList {"Plan the café visit"});
        auto *clear = namedWidget<QToolButton>(&sheet, QStringLiteral("Clear search"));
        QVERIFY(clear);

        sheet.setSearchText(QStringLiteral("bjorn pay"));
        QCOMPARE(titlesIn(sheet), QStringList {"Pay rent"});

        sheet.setSearchText(QStringLiteral("zebra"));
        QStringList texts = visibleTexts(&sheet);
        QVERIFY(texts.contains(QStringLiteral("No matches")));
        QVERIFY(texts.contains(QStringLiteral("Try another title or person.")));
        QVERIFY(sheet.currentTaskID().empty());
        // With no card to show, the details beside the list show nothing, not even their button.
        QVERIFY(!texts.contains(QStringLiteral("Review this task")));

        // Found elsewhere in the deck: the hint points at All tasks.
        filterButton(sheet, "Completed")->click();
        sheet.setSearchText(QStringLiteral("plumber"));
        texts = visibleTexts(&sheet);
        QVERIFY(texts.contains(QStringLiteral("No matches")));
        QVERIFY(texts.contains(QStringLiteral("Try All tasks to see the rest of your deck.")));

        clear->click();
        QCOMPARE(sheet.searchText(), QString());
        QVERIFY(!namedWidget<QToolButton>(&sheet, QStringLiteral("Clear search")));
        QCOMPARE(titlesIn(sheet), QStringList {"Pay rent"});
    }

    void anEmptyDeckOrFilterSaysSo()
    {
        StoreHarness harness;
        const TallowinDocument empty = makeDocument();
        auto store = harness.loadedStore(&empty);
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        QVERIFY(visibleTexts(&sheet).contains(QStringLiteral("No tasks here yet")));
        QVERIFY(!visibleTexts(&sheet).contains(QStringLiteral("Try All tasks to see the rest of your deck.")));

        StoreHarness other;
        TallowinDocument deck = browserDeck();
        deck.tasks.erase(deck.tasks.begin() + 4);
        auto withoutMerged = other.loadedStore(&deck);
        TaskBrowserSheet filtered(*withoutMerged, TallowinPresentation::allTasks(), nullptr);
        withoutMerged->setOpenFilter(OpenFilter::merged);
        const QStringList texts = visibleTexts(&filtered);
        QVERIFY(texts.contains(QStringLiteral("No tasks here yet")));
        QVERIFY(texts.contains(QStringLiteral("Try All tasks to see the rest of your deck.")));
    }

    void aRowShowsItsDetailsAndReviewThisTaskBringsItBack()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::allTasks());
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        sheet.resize(980, 680);
        sheet.show();
        QListView *list = listOf(sheet);
        const QModelIndex payRent = list->model()->index(4, 0);
        QCOMPARE(payRent.data().toString(), QStringLiteral("Pay rent"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(payRent).center());
        QCOMPARE(sheet.currentTaskID(), std::string("KB-004"));
        QVERIFY(visibleTexts(&sheet).contains(QStringLiteral("Completed")));

        namedWidget<QPushButton>(&sheet, QStringLiteral("Review this task"))->click();
        // The browser stays open on the card, now back in review.
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::allTasks()));
        QCOMPARE(sheet.currentTaskID(), std::string("KB-004"));
        harness.settle();
        QCOMPARE(harness.readDeck().tasks[3].state, TaskState::active);
        QVERIFY(!namedWidget<QPushButton>(&sheet, QStringLiteral("Review this task"))->isEnabled());

        // Opening a row, by a double click or Return in the list, shows its details sheet.
        const QPoint fixTheTap = list->visualRect(list->model()->index(1, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, fixTheTap);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, fixTheTap);
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::details("KB-001")));
        store->present(TallowinPresentation::allTasks());
        sheet.selectTask("KB-003");
        list->setFocus();
        sheet.submit();
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::details("KB-003")));
    }

    void returnInTheSearchFieldMovesOnToTheList()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::allTasks());
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        sheet.show();
        sheet.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        searchField(sheet)->setFocus();
        sheet.submit();
        QVERIFY(listOf(sheet)->hasFocus());
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::allTasks()));
    }

    void everyControlIsReachableWithTabAndNamedAsItReads()
    {
        StoreHarness harness;
        const TallowinDocument deck = browserDeck();
        auto store = harness.loadedStore(&deck);
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        sheet.setSearchText(QStringLiteral("a"));
        const QList<QWidget *> reached = tabbedControls(&sheet);
        for (QWidget *control : operableControls(&sheet)) {
            QVERIFY2(reached.contains(control), qPrintable(control->accessibleName()));
            if (auto *button = qobject_cast<QAbstractButton *>(control))
                QCOMPARE(button->accessibleName(), button->text());
        }
    }

    void filtersAndSearchesTenThousandCards()
    {
        StoreHarness harness;
        const TallowinDocument deck = bench::generateDeck(10000, 11);
        auto store = harness.loadedStore(&deck);
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        const std::vector<TaskItem> ordered = store->orderedTasks();
        QCOMPARE(listOf(sheet)->model()->rowCount(), 10000);
        QCOMPARE(listOf(sheet)->model()->index(9999, 0).data(TaskListModel::taskIDRole).toString(),
            QString::fromStdString(ordered.back().id));

        // A person's name, each word of which the browser looks for in titles and people.
        const QString person = QString::fromStdString(ordered[1234].person);
        filterButton(sheet, "Completed")->click();
        typeText(searchField(sheet), person);
        QStringList expected;
        for (const TaskItem &task : ordered) {
            if (task.state != TaskState::completed)
                continue;
            const std::string title = UnicodeText::foldedCaseDiacriticsAndWidth(task.title);
            const std::string who = UnicodeText::foldedCaseDiacriticsAndWidth(task.person);
            bool found = true;
            for (const QString &word : person.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const std::string folded = UnicodeText::foldedCaseDiacriticsAndWidth(word.toStdString());
                found = found && (title.find(folded) != std::string::npos || who.find(folded) != std::string::npos);
            }
            if (found)
                expected << QString::fromStdString(task.title);
        }
        QVERIFY(!expected.isEmpty());
        QCOMPARE(titlesIn(sheet), expected);
    }
};

QTEST_MAIN(TaskBrowserSheetTests)
#include "TaskBrowserSheetTests.moc"
