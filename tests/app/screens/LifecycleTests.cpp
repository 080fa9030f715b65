// The application's life around the window: a sync each time it becomes active, and the scripts' smoke check.
#include "Tallowin/platform/ApplicationServices.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/support/FakeSyncTransport.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <QGuiApplication>
#include <QTest>

#include <fstream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

// What the platform tells the application when the user switches to it or away (offscreen has no other switch).
void becomeActive(Qt::ApplicationState state)
{
    emit qGuiApp->applicationStateChanged(state);
}

} // namespace

class LifecycleTests : public QObject
{
    Q_OBJECT

private slots:
    void becomingActiveSyncs()
    {
        StoreHarness harness;
        auto transport = std::make_shared<FakeSyncTransport>();
        harness.cloudTransport = transport;
        harness.defaultDeckFile = harness.deckFile;
        harness.writeDeck(WindowDecks::review());
        auto store = harness.makeStore(std::nullopt);
        store->reload();
        harness.settle();
        QVERIFY(store->cloudSync());
        syncWhenActivated(*store);
        becomeActive(Qt::ApplicationInactive);
        harness.settle();
        const int before = transport->fetchCount();
        becomeActive(Qt::ApplicationActive);
        harness.settle();
        QCOMPARE(transport->fetchCount(), before + 1);
        becomeActive(Qt::ApplicationInactive);
        harness.settle();
        QCOMPARE(transport->fetchCount(), before + 1);
        becomeActive(Qt::ApplicationActive);
        harness.settle();
        QCOMPARE(transport->fetchCount(), before + 2);
    }

    void loadAndQuitReportsTheDeckForScripts()
    {
        TemporaryFolder folder;
        const std::filesystem::path deck = folder.path("Tallowin.md");
        const std::map<std::string, std::string> environment
            = {{"TALLOWIN_FILE_PATH", deck.string()}, {"QT_QPA_PLATFORM", "offscreen"},
                {"HOME", folder.path("home").string()}, {"XDG_CONFIG_HOME", folder.path("config").string()}};
        QCOMPARE(runCli({"add", "First"}, environment).exitCode, 0);
        QCOMPARE(runCli({"add", "Second"}, environment).exitCode, 0);
        const ProcessResult loaded = runProcess(TALLOWIN_APP_PATH, {"--load-and-quit"}, environment);
        QCOMPARE(loaded.exitCode, 0);
        QCOMPARE(loaded.out, std::string("Saved on this Mac, 2 cards\n"));

        std::ofstream(deck, std::ios::trunc) << "# Tallowin\n";
        const ProcessResult broken = runProcess(TALLOWIN_APP_PATH, {"--load-and-quit"}, environment);
        QCOMPARE(broken.exitCode, 1);
        QCOMPARE(broken.out, std::string("Opening…, 0 cards\n"));
        QVERIFY(broken.err.find("Tallowin data markers are missing from the Markdown file.") != std::string::npos);
    }
};

QTEST_MAIN(LifecycleTests)
#include "LifecycleTests.moc"
