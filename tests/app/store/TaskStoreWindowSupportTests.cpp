// What the store gives the window beyond the deck actions: acceptance answers for sheets, source links, errors
// from outside the deck.
#include "Tallowin/presentation/SourceLink.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/DeckBuilders.h"

#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

class TaskStoreWindowSupportTests : public QObject
{
    Q_OBJECT

private slots:
    void sheetActionsAnswerWhetherTheyWereAccepted()
    {
        StoreHarness harness;
        const TallowinDocument deck = makeDocument({makeTask("card-1", 1), makeTask("card-2", 2)});
        auto store = harness.loadedStore(&deck);

        QVERIFY(store->complete("card-1", "Done"));
        // A save is being written: refused.
        QVERIFY(!store->delay("card-2", DelayChoice::tomorrow));
        QVERIFY(!store->changePerson("card-2", "Dana"));
        QVERIFY(!store->requestAgentAction("card-2", "Draft it"));
        harness.settle();
        QVERIFY(store->delay("card-2", DelayChoice::tomorrow));
        harness.settle();
        QVERIFY(store->changePerson("card-2", "Dana"));
        harness.settle();
        // A card no task carries changes nothing, so nothing was accepted.
        QVERIFY(!store->changePerson("card-9", "Dana"));
        QVERIFY(!store->requestAgentAction("card-2", "   "));
        QVERIFY(store->requestAgentAction("card-2", "Draft it"));
        QVERIFY(!store->complete("card-9", ""));
    }

    void onlyWebSourceLinksReachTheBrowser()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();

        QVERIFY(store->openSourceLink("https://example.com/pr/1"));
        QVERIFY(!store->errorMessage());
        QVERIFY(!store->openSourceLink("file:///home/ana/.ssh/id_ed25519"));
        QCOMPARE(store->errorMessage().value_or(""), std::string(SourceLink::notAWebLink));
        QVERIFY(!store->openSourceLink("javascript:alert(1)"));
        QCOMPARE(harness.openedLinks, std::vector<std::string> {"https://example.com/pr/1"});

        store->clearErrorMessage();
        harness.linksOpen = false;
        QVERIFY(!store->openSourceLink("https://example.com/pr/2"));
        QCOMPARE(store->errorMessage().value_or(""), std::string(SourceLink::noBrowser));
        // Nothing about links is a change to the deck.
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
    }

    void theReviewQueueIsWorkedOutOncePerDeck()
    {
        StoreHarness harness;
        const TallowinDocument deck
            = makeDocument({makeTask("card-1", 1), makeTask("card-2", 2), makeTask("card-3", 3)});
        auto store = harness.loadedStore(&deck);
        const std::vector<std::string> &first = store->reviewQueueIDs();
        QCOMPARE(first, (std::vector<std::string> {"card-1", "card-2", "card-3"}));
        // Asked again for the same deck: the same list, not a new one.
        QCOMPARE(&store->reviewQueueIDs(), &first);
        store->remove("card-1");
        QCOMPARE(store->reviewQueueIDs(), (std::vector<std::string> {"card-2", "card-3"}));
        QCOMPARE(store->currentTask()->id, std::string("card-2"));
        harness.settle();
        store->nextCard("card-2");
        QCOMPARE(store->reviewQueueIDs(), (std::vector<std::string> {"card-3", "card-2"}));
        harness.settle();
        // A deck written by another program, read by a reload, has its own queue.
        TallowinDocument changed = harness.readDeck();
        changed.tasks[2].state = TaskState::completed;
        changed.revision += 1;
        harness.writeDeck(changed);
        store->reload();
        harness.settle();
        QCOMPARE(store->reviewQueueIDs(), std::vector<std::string> {"card-2"});
    }

    void reportedErrorsShowLikeAnyOther()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        store->reportError("The file manager could not be reached.");
        QCOMPARE(store->errorMessage().value_or(""), std::string("The file manager could not be reached."));
        QCOMPARE(store->headerPresentation().status, std::string("Needs attention"));
        QCOMPARE(store->now(), harness.now);
    }
};

QTEST_MAIN(TaskStoreWindowSupportTests)
#include "TaskStoreWindowSupportTests.moc"
