// The store on the real event loop, worker thread and file watcher while tallowin-cli changes the deck.
#include "Tallowin/platform/QtMainThreadExecutor.h"
#include "Tallowin/platform/QtWorkerExecutor.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/MemoryUserDefaults.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <QSignalSpy>
#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

constexpr int patience = 20000;

TaskStore::Services liveServices()
{
    TaskStore::Services services;
    services.mainThread = std::make_shared<QtMainThreadExecutor>();
    services.worker = std::make_shared<QtWorkerExecutor>();
    services.userDefaults = std::make_shared<MemoryUserDefaults>();
    services.panels = std::make_shared<ScriptedPanels>();
    services.environment = [](const std::string &) { return std::nullopt; };
    services.defaultDeckFile = []() -> std::filesystem::path { throw std::runtime_error("unused"); };
    services.openLink = [](const std::string &) { return false; };
    return services;
}

bool hasCardTitled(const TaskStore &store, const std::string &title)
{
    for (const TaskItem &task : store.document().tasks) {
        if (task.title == title)
            return true;
    }
    return false;
}

void cli(const std::filesystem::path &deck, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {"--file", deck.string()});
    const ProcessResult result = runCli(arguments);
    if (result.exitCode != 0)
        QFAIL(("tallowin-cli failed: " + result.err).c_str());
}

// Starts the first load and waits for it.
bool loaded(TaskStore &store)
{
    QSignalSpy loads(&store, &TaskStore::loadFinished);
    store.reload();
    return loads.wait(patience) && store.hasLoaded();
}

} // namespace

class TaskStoreWatchTests : public QObject
{
    Q_OBJECT

private slots:
    void anotherProcessChangingTheDeckIsShown()
    {
        TemporaryFolder folder;
        const std::filesystem::path deck = folder.path("Tallowin.md");
        TaskStore store(deck, true, liveServices());
        QVERIFY(loaded(store));

        cli(deck, {"add", "First from the terminal"});
        QTRY_VERIFY_WITH_TIMEOUT(hasCardTitled(store, "First from the terminal"), patience);

        // Several atomic replacements in a row, without waiting in between: the watcher must survive each.
        for (int i = 1; i <= 4; ++i)
            cli(deck, {"add", "Burst " + std::to_string(i)});
        QTRY_VERIFY_WITH_TIMEOUT(hasCardTitled(store, "Burst 4"), patience);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(hasCardTitled(store, "Burst " + std::to_string(i)));

        // And again after that, one at a time.
        for (int i = 1; i <= 3; ++i) {
            const std::string title = "Later " + std::to_string(i);
            cli(deck, {"add", title});
            QTRY_VERIFY_WITH_TIMEOUT(hasCardTitled(store, title), patience);
        }
        QVERIFY(!store.errorMessage().has_value());
    }

    void aWriterAfterTheStoresOwnSaveIsSeen()
    {
        TemporaryFolder folder;
        const std::filesystem::path deck = folder.path("Tallowin.md");
        TaskStore store(deck, true, liveServices());
        QVERIFY(loaded(store));

        QSignalSpy saves(&store, &TaskStore::saveFinished);
        QVERIFY(store.addTask("From the app", "", ""));
        QVERIFY(saves.wait(patience));
        QVERIFY(!store.errorMessage().has_value());
        const std::int64_t savedRevision = store.document().revision;

        cli(deck, {"add", "From the terminal"});
        QTRY_VERIFY_WITH_TIMEOUT(hasCardTitled(store, "From the terminal"), patience);
        QVERIFY(hasCardTitled(store, "From the app"));
        QCOMPARE(store.document().revision, savedRevision + 1);
    }
};

QTEST_MAIN(TaskStoreWatchTests)
#include "TaskStoreWatchTests.moc"
