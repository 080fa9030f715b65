// Creation, storage resolution, loading and the reload gate of the task store.
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/settings/TallowinSettingsError.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/DeckBuilders.h"

#include <QSignalSpy>
#include <QTest>

#include <fstream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument deckWithCards(int count)
{
    std::vector<TaskItem> tasks;
    for (int i = 1; i <= count; ++i)
        tasks.push_back(makeTask("card-" + std::to_string(i), i));
    return makeDocument(std::move(tasks));
}

} // namespace

class TaskStoreLoadTests : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheSeedAndLoadsNothingByItself()
    {
        StoreHarness harness;
        auto store = harness.makeStore();
        QCOMPARE(store->document().title, std::string("Tallowin"));
        QCOMPARE(store->document().revision, std::int64_t(1));
        QCOMPARE(store->document().updatedAt, std::string(fixedTime));
        QVERIFY(store->document().tasks.empty());
        QVERIFY(!store->hasLoaded());
        QCOMPARE(store->openFilter(), OpenFilter::all);
        QVERIFY(store->review() == TaskReviewInteraction {});
        QCOMPARE(harness.worker->pending(), std::size_t(0));
        QVERIFY(!std::filesystem::exists(harness.deckFile));
        QCOMPARE(store->headerPresentation().status, std::string("Opening…"));
    }

    void firstLoadCreatesTheDeckFromTheSeed()
    {
        StoreHarness harness;
        auto store = harness.makeStore();
        QSignalSpy reloading(store.get(), &TaskStore::isReloadingChanged);
        store->reload();
        QVERIFY(store->isReloading());
        QVERIFY(store->reloadGate().isLoading);
        harness.settle();
        QVERIFY(store->hasLoaded());
        QVERIFY(!store->isReloading());
        QCOMPARE(reloading.count(), 2);
        QVERIFY(!store->reloadGate().isLoading);
        QCOMPARE(harness.readDeck(), TaskStore::seedDocument(harness.now));
        QCOMPARE(store->headerPresentation().status, std::string("Saved on this Mac"));
    }

    void aFailingFirstLoadKeepsTheSeedAndALaterReloadRecovers()
    {
        StoreHarness harness;
        std::ofstream(harness.deckFile) << "# Not a deck\n";
        auto store = harness.makeStore();
        store->reload();
        harness.settle();
        QVERIFY(!store->hasLoaded());
        QVERIFY(store->errorMessage().has_value());
        QVERIFY(!store->isReloading());
        QVERIFY(!store->reloadGate().isLoading);
        QCOMPARE(store->document(), TaskStore::seedDocument(harness.now));

        harness.writeDeck(deckWithCards(2));
        store->presentedFileChanged();
        harness.settle();
        QVERIFY(store->hasLoaded());
        QCOMPARE(store->document().tasks.size(), std::size_t(2));
    }

    void dueCardsComeBackOnLoadAndAreSavedWithTheNextRevision()
    {
        StoreHarness harness;
        TallowinDocument deck = deckWithCards(2);
        deck.tasks[1].state = TaskState::delayed;
        deck.tasks[1].resumeAt = "2026-03-13T08:00:00.000Z";
        auto store = harness.loadedStore(&deck);
        QCOMPARE(store->document().revision, std::int64_t(2));
        QCOMPARE(store->document().tasks[1].state, TaskState::active);
        QCOMPARE(harness.readDeck(), store->document());
        QVERIFY(store->undoDocument() == nullptr);
        QVERIFY(!store->notice().has_value());
    }

    void anUnresolvableLocationShowsItsErrorAndNeverReads()
    {
        StoreHarness harness;
        auto store = harness.makeStore(std::nullopt);
        QVERIFY(store->usesCanonicalStorage());
        QCOMPARE(store->storageResolutionError().value_or(""),
            std::string("Tallowin could not locate your existing task folder: No home folder."));
        QCOMPARE(store->filePath(), std::filesystem::path("/dev/null"));
        store->reload();
        QCOMPARE(store->errorMessage(), store->storageResolutionError());
        QCOMPARE(harness.worker->pending(), std::size_t(0));
        QVERIFY(!store->reloadGate().isLoading);
    }

    void canonicalStorageRecordsThePathAndStartsSync()
    {
        StoreHarness harness;
        harness.defaultDeckFile = harness.folder.path("canonical.md");
        auto store = harness.makeStore(std::nullopt, true);
        QVERIFY(store->usesCanonicalStorage());
        QCOMPARE(store->settingsFilePath(), harness.folder.path("Tallowin.toml"));
        QVERIFY(std::filesystem::exists(store->settingsFilePath()));
        store->reload();
        harness.settle();
        QVERIFY(store->hasLoaded());
        QCOMPARE(harness.defaults->string(UserDefaults::filePathKey).value_or(QString()),
            QString::fromStdString(harness.folder.path("canonical.md").string()));
        QCOMPARE(harness.cloudSyncsMade, 1);
    }

    void theEnvironmentOverrideDisablesSyncAndLeavesTheDefaultsAlone()
    {
        StoreHarness harness;
        harness.defaultDeckFile = harness.folder.path("canonical.md");
        harness.environment["TALLOWIN_FILE_PATH"] = harness.deckFile.string();
        auto store = harness.makeStore(std::nullopt, true);
        QVERIFY(!store->usesCanonicalStorage());
        QCOMPARE(store->filePath(), harness.deckFile);
        store->reload();
        harness.settle();
        QVERIFY(store->hasLoaded());
        QVERIFY(std::filesystem::exists(harness.deckFile));
        QVERIFY(!std::filesystem::exists(harness.folder.path("canonical.md")));
        QVERIFY(!harness.defaults->string(UserDefaults::filePathKey).has_value());
        QCOMPARE(harness.cloudSyncsMade, 0);
        QVERIFY(store->cloudSync() == nullptr);
    }

    void reloadsDuringALoadCollapseIntoOneMore()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        QSignalSpy loads(store.get(), &TaskStore::loadFinished);
        store->reload();
        store->reload();
        store->reload();
        QVERIFY(store->reloadGate().isPending);
        harness.settle();
        QCOMPARE(loads.count(), 2);
        QVERIFY(!store->reloadGate().isPending);
        QVERIFY(!store->reloadGate().isLoading);
    }

    void aFileChangeDuringALoadIsDropped()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        QSignalSpy loads(store.get(), &TaskStore::loadFinished);
        store->reload();
        store->presentedFileChanged();
        QVERIFY(!store->reloadGate().isPending);
        harness.settle();
        QCOMPARE(loads.count(), 1);
    }

    void aFileChangeDuringASaveIsDroppedButAReloadWaitsForIt()
    {
        StoreHarness harness;
        TallowinDocument deck = deckWithCards(2);
        auto store = harness.loadedStore(&deck);
        QSignalSpy loads(store.get(), &TaskStore::loadFinished);
        store->remove("card-1");
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::taskChange);
        store->presentedFileChanged();
        QVERIFY(!store->reloadGate().isPending);
        store->reload();
        QVERIFY(store->reloadGate().isPending);
        QVERIFY(!store->reloadGate().isLoading);

        harness.step();
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
        QVERIFY(store->reloadGate().isLoading);
        QCOMPARE(loads.count(), 0);
        harness.settle();
        QCOMPARE(loads.count(), 1);
        QCOMPARE(store->document().tasks[0].state, TaskState::removed);
    }

    void settingsAreCreatedWhenObservingAndReReadOnChange()
    {
        StoreHarness harness;
        auto store = harness.makeStore(harness.deckFile, true);
        QVERIFY(std::filesystem::exists(store->settingsFilePath()));
        QCOMPARE(store->settings(), TallowinSettings::defaults());

        TallowinSettings changed = TallowinSettings::defaults();
        changed.scanIntervalHours = 6;
        store->saveSettings(changed);
        QVERIFY(store->isSavingSettings());
        harness.settle();
        QVERIFY(!store->isSavingSettings());
        QVERIFY(!store->settingsSaveError());
        QCOMPARE(store->settings().scanIntervalHours, std::int64_t(6));
        QCOMPARE(store->notice().value_or(""),
            std::string("Saved Tallowin settings. Scheduled scans will use them on the next hourly check."));
        QCOMPARE(std::filesystem::status(store->settingsFilePath()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

        std::ofstream(store->settingsFilePath(), std::ios::trunc) << "scan_interval_hours = \"broken\n";
        QVERIFY_THROWS_EXCEPTION(std::exception, store->loadSettings(false));
        QCOMPARE(store->settings().scanIntervalHours, std::int64_t(6));
    }

    // Settings are written on the worker: refused input is told at once, a failed write afterwards, and neither
    // changes the settings the store holds.
    void settingsThatAreRefusedOrFailToSaveLeaveTheSettingsAsTheyWere()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        TallowinSettings invalid = TallowinSettings::defaults();
        invalid.scanIntervalHours = 0;
        QVERIFY_THROWS_EXCEPTION(TallowinSettingsError, store->saveSettings(invalid));
        QVERIFY(!store->isSavingSettings());

        std::filesystem::create_directory(store->settingsFilePath());
        QSignalSpy finished(store.get(), &TaskStore::settingsSaveFinished);
        TallowinSettings changed = TallowinSettings::defaults();
        changed.scanIntervalHours = 6;
        store->clearNotice();
        store->saveSettings(changed);
        QCOMPARE(finished.count(), 0);
        harness.settle();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!store->isSavingSettings());
        QVERIFY(store->settingsSaveError());
        QVERIFY(store->settingsSaveError()->find(store->settingsFilePath().string()) != std::string::npos);
        QCOMPARE(store->settings(), TallowinSettings::defaults());
        QVERIFY(!store->notice());
    }

    void aStoreThatDoesNotObserveCreatesNoSettingsFile()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        QVERIFY(!std::filesystem::exists(store->settingsFilePath()));
        store->loadSettings(false);
        QCOMPARE(store->settings(), TallowinSettings::defaults());
    }
};

QTEST_MAIN(TaskStoreLoadTests)
#include "TaskStoreLoadTests.moc"
