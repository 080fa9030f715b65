// The merge sheet: texts, the bucket by click and by drag and drop, the enabling rule, refusals, and search on a
// large deck.
#include "Tallowin/presentation/MergeSelection.h"
#include "Tallowin/screens/MergeCardListView.h"
#include "Tallowin/screens/MergeDropArea.h"
#include "Tallowin/screens/MergeSheet.h"
#include "Tallowin/screens/TaskListModel.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/base/UnicodeText.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/generator/DeckGenerator.h"

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument mergeDeck()
{
    std::vector<TaskItem> tasks;
    const char *titles[] = {"Fix the kitchen tap", "Buy a new tap washer", "Call the plumber", "Pay rent",
        "Old merged card", "Removed card"};
    for (int i = 0; i < 6; ++i) {
        TaskItem task = makeTask("KB-00" + std::to_string(i + 1), i + 1);
        task.title = titles[i];
        task.person = i % 2 ? "Ana" : "Me";
        tasks.push_back(task);
    }
    tasks[3].state = TaskState::completed;
    tasks[4].state = TaskState::merged;
    tasks[4].mergedInto = "KB-001";
    tasks[5].state = TaskState::removed;
    return makeDocument(std::move(tasks));
}

MergeCardListView *list(const MergeSheet &sheet, MergeArea area)
{
    for (MergeCardListView *view : sheet.findChildren<MergeCardListView *>()) {
        if (view->area() == area)
            return view;
    }
    return nullptr;
}

QStringList titlesIn(const MergeCardListView *view)
{
    QStringList titles;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        titles << view->model()->index(row, 0).data().toString();
    return titles;
}

QLineEdit *searchField(const MergeSheet &sheet)
{
    return namedWidget<QLineEdit>(&sheet, QStringLiteral("Find a task"));
}

QLineEdit *nameField(const MergeSheet &sheet)
{
    return namedWidget<QLineEdit>(&sheet, QStringLiteral("Name the blended task"));
}

QPushButton *mergeButton(const MergeSheet &sheet)
{
    for (QPushButton *button : sheet.findChildren<QPushButton *>()) {
        if (button->text().startsWith(QStringLiteral("Merge ")))
            return button;
    }
    return nullptr;
}

QPoint centreOfRow(const MergeCardListView *view, const QString &title)
{
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex index = view->model()->index(row, 0);
        if (index.data().toString() == title)
            return view->visualRect(index).center();
    }
    return {-1, -1};
}

// Presses on the row and moves past the drag distance with the button held, as a hand starting a drag does; the
// view starts its drag on the way.
void startDragging(MergeCardListView *view, const QString &title)
{
    const QPoint start = centreOfRow(view, title);
    const QPoint end = start + QPoint(QApplication::startDragDistance() + 8, 4);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(view->viewport(), start + QPoint(2, 1));
    QTest::mouseMove(view->viewport(), end);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, end);
}

// The deck's mergeable cards in the store's order that every word of the query finds in their title or person,
// folded the slow way.
QStringList expectedMatches(const TaskStore &store, const std::string &query, const MergeSelection &selection)
{
    std::vector<std::string> words;
    std::string folded = UnicodeText::foldedCaseDiacriticsAndWidth(query);
    std::size_t start = 0;
    while ((start = folded.find_first_not_of(' ', start)) != std::string::npos) {
        const std::size_t end = folded.find(' ', start);
        words.push_back(folded.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end;
    }
    QStringList titles;
    for (const TaskItem &task : store.orderedTasks()) {
        if (!MergeSelection::isMergeable(task.state) || selection.contains(task.id))
            continue;
        const std::string title = UnicodeText::foldedCaseDiacriticsAndWidth(task.title);
        const std::string person = UnicodeText::foldedCaseDiacriticsAndWidth(task.person);
        bool all = true;
        for (const std::string &word : words)
            all = all && (title.find(word) != std::string::npos || person.find(word) != std::string::npos);
        if (all)
            titles << QString::fromStdString(task.title);
    }
    return titles;
}

} // namespace

class MergeSheetTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void showsItsTextsWithTheCurrentCardInTheBucket()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);

        QCOMPARE(sheet.title(), QStringLiteral("Merge tasks"));
        const QStringList texts = visibleTexts(&sheet);
        for (const QString &text : {QStringLiteral("Merge tasks"),
                 QStringLiteral("Choose related tasks. Their context and sources become one shared task."),
                 QStringLiteral("Available cards"), QStringLiteral("Drag or click"), QStringLiteral("Find a task"),
                 QStringLiteral("Blend bucket"), QStringLiteral("Click a task on the left or drop it here."),
                 QStringLiteral("Name the blended task"), QStringLiteral("Originals remain in All tasks → Merged."),
                 QStringLiteral("Merge 1 tasks")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        // Merged and removed cards take no part; the completed one does.
        QCOMPARE(titlesIn(list(sheet, MergeArea::available)),
            (QStringList {"Buy a new tap washer", "Call the plumber", "Pay rent"}));
        QCOMPARE(titlesIn(list(sheet, MergeArea::bucket)), QStringList {"Fix the kitchen tap"});
        const QModelIndex current = list(sheet, MergeArea::bucket)->model()->index(0, 0);
        QCOMPARE(current.data(TaskListModel::badgeRole).toString(), QStringLiteral("Current task"));
        QCOMPARE(nameField(sheet)->text(), QStringLiteral("Fix the kitchen tap"));
        // Only the current card: nothing to merge with.
        QVERIFY(!mergeButton(sheet)->isEnabled());
        sheet.submit();
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
    }

    void aClickMovesACardInAndOutButTheCurrentCardStays()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.resize(900, 640);
        sheet.show();
        MergeCardListView *available = list(sheet, MergeArea::available);
        MergeCardListView *bucket = list(sheet, MergeArea::bucket);

        QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, centreOfRow(available, "Call the plumber"));
        QCOMPARE(titlesIn(bucket), (QStringList {"Fix the kitchen tap", "Call the plumber"}));
        QCOMPARE(bucket->model()->index(1, 0).data(TaskListModel::badgeRole).toString(), QStringLiteral("Selected"));
        QCOMPARE(titlesIn(available), (QStringList {"Buy a new tap washer", "Pay rent"}));
        QCOMPARE(mergeButton(sheet)->text(), QStringLiteral("Merge 2 tasks"));
        QCOMPARE(mergeButton(sheet)->accessibleName(), QStringLiteral("Merge 2 tasks"));
        QVERIFY(mergeButton(sheet)->isEnabled());

        QTest::mouseClick(bucket->viewport(), Qt::LeftButton, {}, centreOfRow(bucket, "Fix the kitchen tap"));
        QCOMPARE(titlesIn(bucket), (QStringList {"Fix the kitchen tap", "Call the plumber"}));
        QTest::mouseClick(bucket->viewport(), Qt::LeftButton, {}, centreOfRow(bucket, "Call the plumber"));
        QCOMPARE(titlesIn(bucket), QStringList {"Fix the kitchen tap"});
        QCOMPARE(titlesIn(available), (QStringList {"Buy a new tap washer", "Call the plumber", "Pay rent"}));
        QVERIFY(!mergeButton(sheet)->isEnabled());

        // Space on the current row works like a click, for the keyboard.
        available->setFocus();
        available->setCurrentIndex(available->model()->index(0, 0));
        QTest::keyClick(available, Qt::Key_Space);
        QCOMPARE(titlesIn(bucket), (QStringList {"Fix the kitchen tap", "Buy a new tap washer"}));
    }

    void aCardDraggedOntoTheBucketGoesInAndDraggedBackComesOut()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.resize(900, 640);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        MergeCardListView *available = list(sheet, MergeArea::available);
        MergeCardListView *bucket = list(sheet, MergeArea::bucket);
        const auto point = [&](QWidget *widget) { return widget->mapTo(&sheet, widget->rect().center()); };

        QStringList dragged;
        bool highlighted = false;
        MergeDropArea *bucketArea = nullptr;
        for (MergeDropArea *area : sheet.findChildren<MergeDropArea *>()) {
            if (area->area() == MergeArea::bucket)
                bucketArea = area;
        }
        QVERIFY(bucketArea);
        available->setDragRunner([&](QDrag &drag) {
            dragged << drag.mimeData()->text();
            QDragEnterEvent enter(bucketArea->rect().center(), Qt::MoveAction, drag.mimeData(), Qt::LeftButton, {});
            QApplication::sendEvent(bucketArea, &enter);
            highlighted = bucketArea->isHighlighted();
            return dropAt(drag, &sheet, point(bucket->viewport()));
        });
        startDragging(available, "Buy a new tap washer");
        QCOMPARE(dragged, QStringList {"Buy a new tap washer"});
        QVERIFY(highlighted);
        QVERIFY(!bucketArea->isHighlighted());
        QCOMPARE(titlesIn(bucket), (QStringList {"Fix the kitchen tap", "Buy a new tap washer"}));
        QCOMPARE(titlesIn(available), (QStringList {"Call the plumber", "Pay rent"}));

        // A card dropped back on its own side changes nothing.
        available->setDragRunner([&](QDrag &drag) { return dropAt(drag, &sheet, point(available->viewport())); });
        startDragging(available, "Pay rent");
        QCOMPARE(titlesIn(bucket), (QStringList {"Fix the kitchen tap", "Buy a new tap washer"}));

        // The current card cannot be dragged out; an added one can.
        Qt::DropAction outcome = Qt::CopyAction;
        bucket->setDragRunner([&](QDrag &drag) {
            outcome = dropAt(drag, &sheet, point(available->viewport()));
            return outcome;
        });
        startDragging(bucket, "Fix the kitchen tap");
        QCOMPARE(outcome, Qt::IgnoreAction);
        QCOMPARE(titlesIn(bucket), (QStringList {"Fix the kitchen tap", "Buy a new tap washer"}));
        startDragging(bucket, "Buy a new tap washer");
        QCOMPARE(outcome, Qt::MoveAction);
        QCOMPARE(titlesIn(bucket), QStringList {"Fix the kitchen tap"});
        QCOMPARE(titlesIn(available), (QStringList {"Buy a new tap washer", "Call the plumber", "Pay rent"}));
    }

    void returnInTheSearchMovesToTheCardsAndReturnOnACardMovesIt()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::merge("KB-001"));
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.addToBucket("KB-004");
        sheet.show();
        sheet.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        searchField(sheet)->setFocus();
        typeText(searchField(sheet), QStringLiteral("plumber"));
        // The merge button is enabled, yet Return in the search does not merge.
        QVERIFY(mergeButton(sheet)->isEnabled());
        sheet.submit();
        MergeCardListView *available = list(sheet, MergeArea::available);
        QVERIFY(available->hasFocus());
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);

        QTest::keyClick(available, Qt::Key_Return);
        QCOMPARE(titlesIn(list(sheet, MergeArea::bucket)),
            (QStringList {"Fix the kitchen tap", "Pay rent", "Call the plumber"}));
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::merge("KB-001")));
    }

    void mergesTheBucketUnderTheNameAndCloses()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::merge("KB-001"));
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.addToBucket("KB-002");
        sheet.addToBucket("KB-004");
        QCOMPARE(mergeButton(sheet)->text(), QStringLiteral("Merge 3 tasks"));

        nameField(sheet)->setText(QStringLiteral("   "));
        QVERIFY(!mergeButton(sheet)->isEnabled());
        nameField(sheet)->setText(QStringLiteral("Kitchen tap, once and for all"));
        QVERIFY(mergeButton(sheet)->isEnabled());
        mergeButton(sheet)->click();

        QVERIFY(!store->presentation());
        QCOMPARE(store->notice().value_or(""), std::string("Created a shared task from 3 cards."));
        harness.settle();
        const TallowinDocument saved = harness.readDeck();
        const auto shared = std::find_if(saved.tasks.begin(), saved.tasks.end(),
            [](const TaskItem &task) { return task.title == "Kitchen tap, once and for all"; });
        QVERIFY(shared != saved.tasks.end());
        QCOMPARE(shared->mergedTaskIDs, std::optional(std::vector<std::string> {"KB-001", "KB-002", "KB-004"}));
    }

    void keepsItsInputWhileASaveIsBeingWritten()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::merge("KB-001"));
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.addToBucket("KB-003");
        nameField(sheet)->setText(QStringLiteral("Plumbing"));
        store->nextCard("KB-002");
        QVERIFY(store->saveActivity() != TallowinSaveActivity::idle);
        sheet.submit();

        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::merge("KB-001")));
        QCOMPARE(sheet.selection().ids(), (std::vector<std::string> {"KB-001", "KB-003"}));
        QCOMPARE(nameField(sheet)->text(), QStringLiteral("Plumbing"));
        harness.settle();
        QCOMPARE(harness.readDeck().tasks.size(), deck.tasks.size());
    }

    void aReloadThatTakesAnAddedCardTakesItOutOfTheBucket()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.addToBucket("KB-002");
        sheet.addToBucket("KB-003");
        TallowinDocument changed = harness.readDeck();
        changed.tasks[1].state = TaskState::removed;
        changed.revision += 1;
        harness.writeDeck(changed);
        store->reload();
        harness.settle();

        QCOMPARE(sheet.selection().ids(), (std::vector<std::string> {"KB-001", "KB-003"}));
        QCOMPARE(titlesIn(list(sheet, MergeArea::available)), QStringList {"Pay rent"});
    }

    void saysWhyTheAvailableListIsEmpty()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        const QString none = QStringLiteral("No matching cards");
        const QString allIn = QStringLiteral("All matching cards are in the bucket");
        const auto says = [&](const QString &text) {
            const QStringList texts = visibleTexts(&sheet);
            return texts.contains(text) && !texts.contains(text == none ? allIn : none);
        };

        searchField(sheet)->setText(QStringLiteral("zebra"));
        QVERIFY(says(none));
        QVERIFY(!list(sheet, MergeArea::available)->isVisibleTo(&sheet));
        searchField(sheet)->setText(QStringLiteral("tap"));
        QCOMPARE(titlesIn(list(sheet, MergeArea::available)), QStringList {"Buy a new tap washer"});
        QVERIFY(!visibleTexts(&sheet).contains(none));
        sheet.addToBucket("KB-002");
        QVERIFY(says(allIn));
        // The merged card matches the search but takes no part, so it does not count.
        searchField(sheet)->setText(QStringLiteral("old merged"));
        QVERIFY(says(none));
        searchField(sheet)->setText(QString());
        QVERIFY(!visibleTexts(&sheet).contains(none));
        QVERIFY(!visibleTexts(&sheet).contains(allIn));
        QCOMPARE(titlesIn(list(sheet, MergeArea::available)), (QStringList {"Call the plumber", "Pay rent"}));
    }

    void everyControlIsReachableWithTabAndNamedAsItReads()
    {
        StoreHarness harness;
        const TallowinDocument deck = mergeDeck();
        auto store = harness.loadedStore(&deck);
        MergeSheet sheet(*store, TallowinPresentation::merge("KB-001"), nullptr);
        sheet.addToBucket("KB-002");
        const QList<QWidget *> reached = tabbedControls(&sheet);
        for (QWidget *control : operableControls(&sheet)) {
            if (control->parentWidget() && qobject_cast<QLineEdit *>(control->parentWidget()))
                continue; // the search field's own clear button, not a Tab stop
            QVERIFY2(reached.contains(control), qPrintable(control->accessibleName()));
            QVERIFY2(!control->accessibleName().isEmpty(), control->metaObject()->className());
        }
        QCOMPARE(reached.first(), static_cast<QWidget *>(searchField(sheet)));
        QCOMPARE(reached.last(), static_cast<QWidget *>(mergeButton(sheet)));
    }

    void searchesTenThousandCardsAsTheUserTypes()
    {
        StoreHarness harness;
        const TallowinDocument deck = bench::generateDeck(10000, 7);
        auto store = harness.loadedStore(&deck);
        const std::vector<TaskItem> ordered = store->orderedTasks();
        const auto primary = std::find_if(ordered.begin(), ordered.end(),
            [](const TaskItem &task) { return MergeSelection::isMergeable(task.state); });
        MergeSheet sheet(*store, TallowinPresentation::merge(primary->id), nullptr);
        MergeCardListView *available = list(sheet, MergeArea::available);
        QCOMPARE(titlesIn(available), expectedMatches(*store, "", sheet.selection()));

        // A word from a card's title, and a person with the start of that word, typed a key at a time.
        const TaskItem &sample = ordered[ordered.size() / 2];
        const QString word = QString::fromStdString(sample.title).section(QLatin1Char(' '), 0, 0);
        for (const QString &query :
            {word, QString::fromStdString(sample.person) + QStringLiteral(" ") + word.left(3)}) {
            searchField(sheet)->clear();
            for (qsizetype length = 1; length <= query.size(); ++length) {
                typeText(searchField(sheet), query.mid(length - 1, 1));
                QCOMPARE(searchField(sheet)->text(), query.left(length));
                QCOMPARE(titlesIn(available).size(),
                    expectedMatches(*store, query.left(length).toStdString(), sheet.selection()).size());
            }
            const QStringList found = titlesIn(available);
            QVERIFY(!found.isEmpty());
            QVERIFY(found.size() < int(ordered.size()));
            QCOMPARE(found, expectedMatches(*store, query.toStdString(), sheet.selection()));
        }
    }
};

QTEST_MAIN(MergeSheetTests)
#include "MergeSheetTests.moc"
