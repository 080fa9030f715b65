// The details sheet: what it shows for each kind of card, and bringing a card back into review.
#include "Tallowin/screens/SourceLinkButton.h"
#include "Tallowin/screens/TaskDetailsSheet.h"
#include "Tallowin/screens/TaskDetailsView.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument detailsDeck()
{
    TaskItem delayed = makeTask("KB-001", 1, TaskState::delayed);
    delayed.title = "Call the plumber";
    delayed.person = "Ana";
    delayed.context = "The kitchen tap drips again.";
    delayed.resumeAt = "2026-03-16T08:00:00.000Z";
    delayed.delayTarget = "custom";
    TaskItem completed = makeTask("KB-002", 2, TaskState::completed);
    completed.title = "Ship the release";
    completed.result = "Shipped, see https://example.com/release";
    completed.sources = {TaskSource {"Release notes", "https://example.com/notes", {}, {}, {}},
        TaskSource {"", "https://example.com/pr/7", {}, {}, {}}};
    TaskItem shared = makeTask("KB-003", 3);
    shared.title = "Kitchen work";
    TaskItem merged = makeTask("KB-004", 4, TaskState::merged);
    merged.title = "Buy a washer";
    merged.mergedInto = "KB-003";
    return makeDocument({delayed, completed, shared, merged});
}

QPushButton *reviewButton(const QWidget &sheet)
{
    return namedWidget<QPushButton>(&sheet, QStringLiteral("Review this task"));
}

} // namespace

class TaskDetailsSheetTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void showsTheCardWithItsStateAndReturnTimeInLocalTime()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        TaskDetailsSheet sheet(*store, TallowinPresentation::details("KB-001"), nullptr);

        QCOMPARE(sheet.title(), QStringLiteral("Task details"));
        const QStringList texts = visibleTexts(&sheet);
        for (const QString &text :
            {QStringLiteral("Task details"), QStringLiteral("Delayed"), QStringLiteral("Call the plumber"),
                QStringLiteral("Ana"), QStringLiteral("The kitchen tap drips again."),
                QStringLiteral("Returns Monday, 16 March 2026, 09:00"), QStringLiteral("Review this task")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QVERIFY(!texts.contains(QStringLiteral("Outcome")));
        QVERIFY(!texts.contains(QStringLiteral("This task is already in review.")));
        QVERIFY(reviewButton(sheet)->isEnabled());
    }

    void showsTheOutcomeSourcesAndMergeTarget()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        TaskDetailsSheet completed(*store, TallowinPresentation::details("KB-002"), nullptr);
        QStringList texts = visibleTexts(&completed);
        for (const QString &text : {QStringLiteral("Completed"), QStringLiteral("Outcome"),
                 QStringLiteral("Shipped, see https://example.com/release"), QStringLiteral("Sources")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        // Each source is a link named by its label, or by its address when it has none.
        auto *notes = namedWidget<SourceLinkButton>(&completed, QStringLiteral("Release notes"));
        QVERIFY(notes);
        QCOMPARE(notes->url(), QStringLiteral("https://example.com/notes"));
        auto *pullRequest = namedWidget<SourceLinkButton>(&completed, QStringLiteral("https://example.com/pr/7"));
        QVERIFY(pullRequest);
        QCOMPARE(pullRequest->url(), QStringLiteral("https://example.com/pr/7"));

        TaskDetailsSheet merged(*store, TallowinPresentation::details("KB-004"), nullptr);
        texts = visibleTexts(&merged);
        QVERIFY(texts.contains(QStringLiteral("Merged")));
        QVERIFY(texts.contains(QStringLiteral("Merged into Kitchen work")));
    }

    void reviewThisTaskRestoresTheCardAndCloses()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::details("KB-002"));
        TaskDetailsSheet sheet(*store, TallowinPresentation::details("KB-002"), nullptr);
        reviewButton(sheet)->click();

        QVERIFY(!store->presentation());
        harness.settle();
        QCOMPARE(harness.readDeck().tasks[1].state, TaskState::active);
        // Waiting in the queue now, the card has nothing to come back from.
        QVERIFY(!reviewButton(sheet)->isEnabled());
        QVERIFY(visibleTexts(&sheet).contains(QStringLiteral("Active")));
    }

    void aCardWaitingInTheQueueOffersNoReviewAndReturnDoesNothing()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::details("KB-003"));
        TaskDetailsSheet sheet(*store, TallowinPresentation::details("KB-003"), nullptr);
        QVERIFY(!reviewButton(sheet)->isEnabled());
        QVERIFY(visibleTexts(&sheet).contains(QStringLiteral("This task is already in review.")));
        sheet.submit();
        QVERIFY(store->presentation());
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
    }

    void aRefusedReviewKeepsTheSheetOpen()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::details("KB-002"));
        TaskDetailsSheet sheet(*store, TallowinPresentation::details("KB-002"), nullptr);
        store->remove("KB-003");
        sheet.submit();
        QVERIFY(store->presentation());
        harness.settle();
        QCOMPARE(harness.readDeck().tasks[1].state, TaskState::completed);
        // Return is the sheet's action once the save is done.
        sheet.submit();
        QVERIFY(!store->presentation());
    }

    void aCardThatAReloadTookSaysSo()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        TaskDetailsSheet sheet(*store, TallowinPresentation::details("KB-404"), nullptr);
        QVERIFY(visibleTexts(&sheet).contains(QStringLiteral("This task is no longer in your deck.")));
        QVERIFY(!reviewButton(sheet)->isEnabled());
    }

    void everyControlIsReachableWithTab()
    {
        StoreHarness harness;
        const TallowinDocument deck = detailsDeck();
        auto store = harness.loadedStore(&deck);
        TaskDetailsSheet sheet(*store, TallowinPresentation::details("KB-002"), nullptr);
        const QList<QWidget *> reached = tabbedControls(&sheet);
        QCOMPARE(reached.size(), operableControls(&sheet).size());
        QVERIFY(reached.contains(reviewButton(sheet)));
        QVERIFY(reached.contains(namedWidget<SourceLinkButton>(&sheet, QStringLiteral("Release notes"))));
    }
};

QTEST_MAIN(TaskDetailsSheetTests)
#include "TaskDetailsSheetTests.moc"
