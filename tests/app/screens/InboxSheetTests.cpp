// The inbox: one suggestion at a time, edited before it is added, dismissed, and the empty and finished inbox.
#include "Tallowin/screens/InboxSheet.h"
#include "Tallowin/screens/SourceLinkButton.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/document/TaskCandidateCard.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument inboxDeck()
{
    TallowinDocument deck = makeDocument({makeTask("KB-001", 1)});
    TaskCandidate first = makeCandidate("cand-1", "https://chat.example.com/archives/C1/p1");
    first.title = "Send the quarterly numbers";
    first.person = "Ana";
    first.context = "Ana asked in #finance for the Q1 numbers by Friday.";
    first.sourceAuthor = "Ana Lima";
    first.sourceTimestamp = "2026-03-13T15:30:00.000Z";
    first.classificationReason = "A direct request with a deadline";
    TaskCandidate second = makeCandidate("cand-2", "https://chat.example.com/archives/C1/p2");
    second.title = "Review the design doc";
    deck.pendingCandidates = {first, second};
    return deck;
}

QLineEdit *field(const QWidget &sheet, const char *name)
{
    return namedWidget<QLineEdit>(&sheet, QString::fromUtf8(name));
}

QPlainTextEdit *contextField(const QWidget &sheet)
{
    return namedWidget<QPlainTextEdit>(&sheet, QStringLiteral("Context"));
}

QPushButton *button(const QWidget &sheet, const char *name)
{
    return namedWidget<QPushButton>(&sheet, QString::fromUtf8(name));
}

} // namespace

class InboxSheetTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void showsTheFirstSuggestionWithItsSource()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);

        QCOMPARE(sheet.title(), QStringLiteral("Suggested task · 2 to review"));
        const QStringList texts = visibleTexts(&sheet);
        for (const QString &text : {QStringLiteral("Suggested task · 2 to review"), QStringLiteral("Person"),
                 QStringLiteral("What needs to happen?"), QStringLiteral("Context"), QStringLiteral("Source"),
                 QStringLiteral("Add task"), QStringLiteral("Dismiss"), QStringLiteral("Close inbox"),
                 QStringLiteral("Ana Lima · Friday, 13 March 2026, 16:30"),
                 QStringLiteral("A direct request with a deadline")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QCOMPARE(field(sheet, "Person")->text(), QStringLiteral("Ana"));
        QCOMPARE(field(sheet, "What needs to happen?")->text(), QStringLiteral("Send the quarterly numbers"));
        QCOMPARE(
            contextField(sheet)->toPlainText(), QStringLiteral("Ana asked in #finance for the Q1 numbers by Friday."));
        auto *source = namedWidget<SourceLinkButton>(&sheet, QStringLiteral("#general"));
        QVERIFY(source);
        QCOMPARE(source->url(), QStringLiteral("https://chat.example.com/archives/C1/p1"));
    }

    void addTaskAcceptsTheEditedValuesAndMovesOn()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::inbox());
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        field(sheet, "Person")->setText(QStringLiteral("Finance"));
        field(sheet, "What needs to happen?")->setText(QStringLiteral("Send the Q1 numbers"));
        contextField(sheet)->setPlainText(QStringLiteral("By Friday."));
        button(sheet, "Add task")->click();

        QCOMPARE(store->notice().value_or(""), std::string("Added the reviewed task to your deck."));
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::inbox()));
        QCOMPARE(sheet.title(), QStringLiteral("Suggested task · 1 to review"));
        QCOMPARE(field(sheet, "What needs to happen?")->text(), QStringLiteral("Review the design doc"));
        harness.settle();
        const TallowinDocument saved = harness.readDeck();
        const auto card = std::find_if(saved.tasks.begin(), saved.tasks.end(),
            [](const TaskItem &task) { return task.id == TaskCandidateCard::id("cand-1"); });
        QVERIFY(card != saved.tasks.end());
        QCOMPARE(card->person, std::string("Finance"));
        QCOMPARE(card->title, std::string("Send the Q1 numbers"));
        QCOMPARE(card->context, std::string("By Friday."));
    }

    void aRefusedAddKeepsTheEdits()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        field(sheet, "What needs to happen?")->setText(QStringLiteral("Send the Q1 numbers"));
        store->remove("KB-001");
        sheet.submit();
        QCOMPARE(store->document().pendingCandidates.size(), std::size_t(2));
        QCOMPARE(field(sheet, "What needs to happen?")->text(), QStringLiteral("Send the Q1 numbers"));

        // A reload that leaves the suggestion pending leaves the edits too.
        harness.settle();
        store->reload();
        harness.settle();
        QCOMPARE(field(sheet, "What needs to happen?")->text(), QStringLiteral("Send the Q1 numbers"));
        sheet.submit();
        harness.settle();
        QCOMPARE(harness.readDeck().tasks.back().title, std::string("Send the Q1 numbers"));
    }

    void aBlankTitleCannotBeAdded()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        field(sheet, "What needs to happen?")->setText(QStringLiteral("  "));
        QVERIFY(!button(sheet, "Add task")->isEnabled());
        sheet.submit();
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
    }

    void dismissRemembersTheSourceAndShowsTheNext()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        sheet.show();
        button(sheet, "Dismiss")->click();
        QCOMPARE(store->notice().value_or(""), std::string("Dismissed the candidate and saved its source identity."));
        QCOMPARE(field(sheet, "What needs to happen?")->text(), QStringLiteral("Review the design doc"));
        harness.settle();
        QCOMPARE(harness.readDeck().pendingCandidates.size(), std::size_t(1));
        QCOMPARE(harness.readDeck().dismissedCandidateKeys.size(), std::size_t(1));
    }

    void theLastSuggestionLeadsToTheReviewedPage()
    {
        StoreHarness harness;
        TallowinDocument deck = inboxDeck();
        deck.pendingCandidates.pop_back();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::inbox());
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        sheet.submit();
        QCOMPARE(sheet.page(), InboxReview::Page::reviewed);
        const QStringList texts = visibleTexts(&sheet);
        for (const QString &text : {QStringLiteral("Inbox reviewed"),
                 QStringLiteral("You’re ready to review your tasks."), QStringLiteral("Back to tasks")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QVERIFY(!texts.contains(QStringLiteral("Add task")));
        button(sheet, "Back to tasks")->click();
        QVERIFY(!store->presentation());
    }

    void anEmptyInboxSaysWhereSuggestionsComeFrom()
    {
        StoreHarness harness;
        const TallowinDocument deck = makeDocument({makeTask("KB-001", 1)});
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::inbox());
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        QCOMPARE(sheet.page(), InboxReview::Page::empty);
        const QStringList texts = visibleTexts(&sheet);
        QVERIFY(texts.contains(QStringLiteral("New suggestions will appear here after a scan.")));
        QVERIFY(!texts.contains(QStringLiteral("Inbox reviewed")));
        sheet.submit();
        QVERIFY(store->presentation());
        button(sheet, "Close inbox")->click();
        QVERIFY(!store->presentation());
    }

    void closeInboxLeavesTheSuggestionPending()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::inbox());
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        button(sheet, "Close inbox")->click();
        QVERIFY(!store->presentation());
        QCOMPARE(store->document().pendingCandidates.size(), std::size_t(2));
    }

    void everyControlIsReachableWithTabAndNamedAsItReads()
    {
        StoreHarness harness;
        const TallowinDocument deck = inboxDeck();
        auto store = harness.loadedStore(&deck);
        InboxSheet sheet(*store, TallowinPresentation::inbox(), nullptr);
        const QList<QWidget *> reached = tabbedControls(&sheet);
        QCOMPARE(reached,
            (QList<QWidget *> {field(sheet, "Person"), field(sheet, "What needs to happen?"), contextField(sheet),
                namedWidget<SourceLinkButton>(&sheet, QStringLiteral("#general")), button(sheet, "Close inbox"),
                button(sheet, "Dismiss"), button(sheet, "Add task")}));
    }
};

QTEST_MAIN(InboxSheetTests)
#include "InboxSheetTests.moc"
