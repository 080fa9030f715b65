// The store tells the desktop of decks from elsewhere: another device's changes brought by sync and a scan's
// suggestions in the file, never the user's own changes, and nothing while the window is active.
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakeSyncTransport.h"

#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

class RecordingNotifier : public DesktopNotifier
{
public:
    void show(const DesktopNotification &notification) override { shown.push_back(notification); }
    bool isApplicationActive() const override { return active; }

    std::vector<DesktopNotification> shown;
    bool active = false;
};

} // namespace

class TaskStoreNotificationTests : public QObject
{
    Q_OBJECT

private slots:
    void anotherDevicesChangeIsToldOnceAndTheUsersOwnNever()
    {
        StoreHarness harness;
        auto transport = std::make_shared<FakeSyncTransport>();
        auto notifier = std::make_shared<RecordingNotifier>();
        harness.cloudTransport = transport;
        harness.notifier = notifier;
        harness.defaultDeckFile = harness.deckFile;
        auto store = harness.makeStore(std::nullopt);
        store->reload();
        harness.settle();
        QVERIFY(store->addTask("Written here", "", ""));
        harness.settle();
        QCOMPARE(store->cloudSync()->status(), std::string("Synced with iCloud"));
        QVERIFY(notifier->shown.empty());

        TallowinDocument remote = transport->record()->document;
        remote.tasks.push_back(makeTask("KB-remote", 99));
        remote.revision += 1;
        transport->store(remote);
        store->cloudSync()->requestSync();
        harness.settle();
        QCOMPARE(notifier->shown.size(), std::size_t(1));
        QCOMPARE(notifier->shown.front(), (DesktopNotification {"Tasks updated from another device", "1 card added."}));

        // While the user looks at the window, the change is simply there.
        notifier->active = true;
        remote = transport->record()->document;
        remote.tasks.push_back(makeTask("KB-remote-2", 100));
        remote.revision += 1;
        transport->store(remote);
        store->cloudSync()->requestSync();
        harness.settle();
        QCOMPARE(store->document().tasks.size(), std::size_t(3));
        QCOMPARE(notifier->shown.size(), std::size_t(1));
    }

    void aScansSuggestionsInTheFileAreTold()
    {
        StoreHarness harness;
        auto notifier = std::make_shared<RecordingNotifier>();
        harness.notifier = notifier;
        auto store = harness.loadedStore();
        QVERIFY(notifier->shown.empty());

        // The outside agent writes its candidates into the deck; the watcher's reload brings them in.
        TallowinDocument scanned = harness.readDeck();
        scanned.pendingCandidates.push_back(makeCandidate("scan-1"));
        scanned.revision += 1;
        harness.writeDeck(scanned);
        store->reload();
        harness.settle();
        QCOMPARE(store->document().pendingCandidates.size(), std::size_t(1));
        QCOMPARE(notifier->shown.size(), std::size_t(1));
        QCOMPARE(notifier->shown.front(),
            (DesktopNotification {"New suggestions in your inbox", "1 suggested task is waiting for review."}));

        // Accepting it is the user's own change.
        QVERIFY(store->acceptCandidate(store->document().pendingCandidates.front()));
        harness.settle();
        store->reload();
        harness.settle();
        QCOMPARE(notifier->shown.size(), std::size_t(1));
    }
};

QTEST_MAIN(TaskStoreNotificationTests)
#include "TaskStoreNotificationTests.moc"
