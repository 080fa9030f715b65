// The agent request sheet: its texts, the request it saves, and the store's refusal of a blank instruction.
#include "Tallowin/screens/ActionSheet.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument actionDeck()
{
    TaskItem task = makeTask("KB-001", 1);
    task.title = "Reply to the landlord about the lease renewal";
    return makeDocument({task, makeTask("KB-002", 2)});
}

QPlainTextEdit *instructionField(const QWidget &sheet)
{
    return namedWidget<QPlainTextEdit>(&sheet, QStringLiteral("Instruction for ChatGPT"));
}

} // namespace

class ActionSheetTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void showsItsTextsAndTheCardItIsFor()
    {
        StoreHarness harness;
        const TallowinDocument deck = actionDeck();
        auto store = harness.loadedStore(&deck);
        ActionSheet sheet(*store, TallowinPresentation::action("KB-001"), nullptr);

        QCOMPARE(sheet.title(), QStringLiteral("What would you like help with?"));
        const QStringList texts = visibleTexts(&sheet);
        for (const QString &text : {QStringLiteral("What would you like help with?"),
                 QStringLiteral("Instruction for ChatGPT"), QStringLiteral("Write an instruction…"),
                 QStringLiteral("This saves a request. ChatGPT acts only when you run the task through the Tallowin "
                                "plugin. You can use macOS Dictation to enter text."),
                 QStringLiteral("Save request"), QStringLiteral("Reply to the landlord about the lease renewal")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QVERIFY(instructionField(sheet));
        QVERIFY(namedWidget<QPushButton>(&sheet, QStringLiteral("Save request")));
    }

    void savesTheRequestAndClosesOnlyWhenTheStoreTookIt()
    {
        StoreHarness harness;
        const TallowinDocument deck = actionDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::action("KB-001"));
        ActionSheet sheet(*store, TallowinPresentation::action("KB-001"), nullptr);
        typeText(instructionField(sheet), QStringLiteral("  Draft a polite reply  "));
        namedWidget<QPushButton>(&sheet, QStringLiteral("Save request"))->click();

        QVERIFY(!store->presentation());
        QCOMPARE(store->notice().value_or(""),
            std::string("Requested an agent action for Reply to the landlord about the lease renewal."));
        harness.settle();
        const TaskItem saved = harness.readDeck().tasks[0];
        QCOMPARE(saved.state, TaskState::actionRequested);
        QCOMPARE(saved.instruction, std::string("Draft a polite reply"));
    }

    void aBlankInstructionGetsTheStoresSentenceAndKeepsWhatWasTyped()
    {
        StoreHarness harness;
        const TallowinDocument deck = actionDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::action("KB-001"));
        ActionSheet sheet(*store, TallowinPresentation::action("KB-001"), nullptr);
        sheet.show();
        typeText(instructionField(sheet), QStringLiteral("   "));
        sheet.submit();

        const QString sentence
            = QStringLiteral("An instruction is required before Tallowin can request an agent action.");
        QCOMPARE(QString::fromStdString(store->errorMessage().value_or("")), sentence);
        QVERIFY(visibleTexts(&sheet).contains(sentence));
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::action("KB-001")));
        QCOMPARE(sheet.instruction(), QStringLiteral("   "));
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);

        // Typing again puts the sentence away.
        typeText(instructionField(sheet), QStringLiteral("Ask"));
        QVERIFY(!visibleTexts(&sheet).contains(sentence));
    }

    void aRequestWhileASaveIsWrittenIsRefusedSilentlyAndKeepsTheText()
    {
        StoreHarness harness;
        const TallowinDocument deck = actionDeck();
        auto store = harness.loadedStore(&deck);
        store->present(TallowinPresentation::action("KB-001"));
        ActionSheet sheet(*store, TallowinPresentation::action("KB-001"), nullptr);
        store->remove("KB-002");
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::taskChange);
        typeText(instructionField(sheet), QStringLiteral("Draft a reply"));
        sheet.submit();

        QVERIFY(store->presentation());
        QCOMPARE(sheet.instruction(), QStringLiteral("Draft a reply"));
        harness.settle();
        QCOMPARE(harness.readDeck().tasks[0].state, TaskState::active);
        sheet.submit();
        QVERIFY(!store->presentation());
    }

    void everyControlIsReachableWithTabAndNamedAsItReads()
    {
        StoreHarness harness;
        const TallowinDocument deck = actionDeck();
        auto store = harness.loadedStore(&deck);
        ActionSheet sheet(*store, TallowinPresentation::action("KB-001"), nullptr);
        const QList<QWidget *> reached = tabbedControls(&sheet);
        QCOMPARE(reached.size(), operableControls(&sheet).size());
        QCOMPARE(reached,
            (QList<QWidget *> {
                instructionField(sheet), namedWidget<QPushButton>(&sheet, QStringLiteral("Save request"))}));
    }
};

QTEST_MAIN(ActionSheetTests)
#include "ActionSheetTests.moc"
