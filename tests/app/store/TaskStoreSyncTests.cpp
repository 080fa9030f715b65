// The store's cloud wiring: a coordinator for the canonical deck only, a sync after every saved change, and
// decks from other devices shown as they arrive.
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakeSyncTransport.h"

#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

bool hasCardTitled(const TallowinDocument &document, const std::string &title)
{
    for (const TaskItem &task : document.tasks) {
        if (task.title == title)
            return true;
    }
    return false;
}

} // namespace

class TaskStoreSyncTests : public QObject
{
    Q_OBJECT

private slots:
    void aSavedChangeSyncsAndAnotherDevicesDeckIsShown()
    {
        StoreHarness harness;
        auto transport = std::make_shared<FakeSyncTransport>();
        harness.cloudTransport = transport;
        harness.defaultDeckFile = harness.deckFile;
        auto store = harness.makeStore(std::nullopt);
        store->reload();
        harness.settle();
        QVERIFY(store->cloudSync() != nullptr);
        QCOMPARE(transport->saveCount(), 0);

        QVERIFY(store->addTask("Written here", "", ""));
        harness.settle();
        QCOMPARE(store->cloudSync()->status(), std::string("Synced with iCloud"));
        QVERIFY(transport->record().has_value());
        QVERIFY(hasCardTitled(transport->record()->document, "Written here"));

        // Another device adds a card; its push reaches this one as a sync.
        TallowinDocument remote = transport->record()->document;
        TaskItem card = makeTask("KB-remote", 99);
        card.title = "Written elsewhere";
        remote.tasks.push_back(card);
        remote.revision += 1;
        transport->store(remote);
        store->cloudSync()->requestSync();
        harness.settle();
        QVERIFY(hasCardTitled(store->document(), "Written elsewhere"));
        QVERIFY(hasCardTitled(store->document(), "Written here"));
        QCOMPARE(harness.readDeck(), store->document());

        // The next action starts from the deck sync published, not from a stale copy.
        QVERIFY(store->addTask("After the sync", "", ""));
        harness.settle();
        const TallowinDocument onDisk = harness.readDeck();
        QVERIFY(hasCardTitled(onDisk, "Written elsewhere"));
        QVERIFY(hasCardTitled(onDisk, "After the sync"));
        QVERIFY(!store->errorMessage().has_value());
    }

    void aDeckChosenByPathNeverSyncs()
    {
        StoreHarness harness;
        auto transport = std::make_shared<FakeSyncTransport>();
        harness.cloudTransport = transport;
        auto store = harness.loadedStore();
        QVERIFY(store->addTask("Local only", "", ""));
        harness.settle();
        QVERIFY(store->cloudSync() == nullptr);
        QCOMPARE(transport->saveCount(), 0);
        QCOMPARE(transport->fetchCount(), 0);
    }
};

QTEST_MAIN(TaskStoreSyncTests)
#include "TaskStoreSyncTests.moc"
