// The settings sheet: every field mapped to the settings, saving and its failure, the settings file, diagnostics
// and sync.
#include "Tallowin/screens/SyncSettingsSection.h"
#include "Tallowin/screens/TallowinSettingsView.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/settings/TallowinSettingsTOML.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakeSyncTransport.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <fstream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

QCheckBox *box(const QWidget &view, const char *name)
{
    return namedWidget<QCheckBox>(&view, QString::fromUtf8(name));
}

QSpinBox *count(const QWidget &view, const char *name)
{
    return namedWidget<QSpinBox>(&view, QString::fromUtf8(name));
}

QPlainTextEdit *names(const QWidget &view)
{
    return namedWidget<QPlainTextEdit>(&view, QStringLiteral("People to watch"));
}

QPushButton *button(const QWidget &view, const char *name)
{
    return namedWidget<QPushButton>(&view, QString::fromUtf8(name));
}

TallowinSettings customSettings()
{
    TallowinSettings settings = TallowinSettings::defaults();
    settings.automaticScanEnabled = false;
    settings.scanIntervalHours = 4;
    settings.initialLookbackDays = 60;
    settings.routineLookbackDays = 14;
    settings.minimumOverlapDays = 2;
    settings.vipNames = {"Ana Lima", "Björn"};
    settings.trackVIPComments = false;
    return settings;
}

TallowinSettings settingsOnDisk(const StoreHarness &harness)
{
    return TallowinSettingsTOML::decode(TallowinTextFile::read(harness.folder.path("Tallowin.toml")));
}

} // namespace

class TallowinSettingsViewTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void showsEveryTextAndTheStoredSettings()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        store->saveSettings(customSettings());
        harness.settle();
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);

        QCOMPARE(view.title(), QStringLiteral("Settings"));
        const QStringList texts = visibleTexts(&view);
        for (const QString &text :
            {QStringLiteral("Settings"), QStringLiteral("Choose when to find tasks and whose updates matter."),
                QStringLiteral("Find tasks automatically"),
                QStringLiteral("Runs through Codex on this Mac. Codex needs access to Slack and your Tallowin file."),
                QStringLiteral("Check every"), QStringLiteral("hours"), QStringLiteral("Scan history range"),
                QStringLiteral("First scan"), QStringLiteral("Later scans"), QStringLiteral("Overlap"),
                QStringLiteral("days"), QStringLiteral("People to watch"),
                QStringLiteral("Add one name per line. Only updates that need your attention become task suggestions."),
                QStringLiteral("Names, optional"), QStringLiteral("Activity"), QStringLiteral("Comments and replies"),
                QStringLiteral("GitHub changes, when connected"), QStringLiteral("Files and diagnostics"),
                QStringLiteral("Edit settings file"), QStringLiteral("Export diagnostics…"),
                QStringLiteral("Tasks and piles are shared with your iPhone and iPad using the same Apple Account."),
                QStringLiteral("Sync now"), QStringLiteral("Save settings")})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QCOMPARE(texts.count(QStringLiteral("days")), 3);

        QVERIFY(!box(view, "Find tasks automatically")->isChecked());
        QCOMPARE(count(view, "Check every")->value(), 4);
        QCOMPARE(count(view, "First scan")->value(), 60);
        QCOMPARE(count(view, "Later scans")->value(), 14);
        QCOMPARE(count(view, "Overlap")->value(), 2);
        QCOMPARE(names(view)->toPlainText(), QStringLiteral("Ana Lima\nBjörn"));
        QVERIFY(box(view, "Activity")->isChecked());
        QVERIFY(!box(view, "Comments and replies")->isChecked());
        QVERIFY(box(view, "GitHub changes, when connected")->isChecked());
    }

    void savesEveryFieldToTheFile()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        store->present(TallowinPresentation::settings());
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        view.show();
        box(view, "Find tasks automatically")->click();
        count(view, "Check every")->setValue(3);
        count(view, "First scan")->setValue(21);
        count(view, "Later scans")->setValue(5);
        count(view, "Overlap")->setValue(1);
        names(view)->setFocus();
        typeText(names(view), QStringLiteral(" Ana "));
        QTest::keyClick(names(view), Qt::Key_Return);
        typeText(names(view), QStringLiteral("café"));
        QTest::keyClick(names(view), Qt::Key_Return);
        typeText(names(view), QStringLiteral("CAFE"));
        box(view, "Activity")->click();
        box(view, "Comments and replies")->click();
        box(view, "GitHub changes, when connected")->click();
        button(view, "Save settings")->click();
        // Written on the worker: nothing is said, and the button waits, until the write is done.
        QVERIFY(!button(view, "Save settings")->isEnabled());
        QVERIFY(!visibleTexts(&view).contains(QStringLiteral("Settings saved")));
        harness.settle();
        QVERIFY(button(view, "Save settings")->isEnabled());

        TallowinSettings expected = TallowinSettings::defaults();
        expected.automaticScanEnabled = false;
        expected.scanIntervalHours = 3;
        expected.initialLookbackDays = 21;
        expected.routineLookbackDays = 5;
        expected.minimumOverlapDays = 1;
        expected.vipNames = {"Ana", "café"};
        expected.trackVIPActivity = false;
        expected.trackVIPComments = false;
        expected.trackVIPPushedChanges = false;
        QCOMPARE(settingsOnDisk(harness), expected);
        QCOMPARE(store->settings(), expected);
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("Settings saved")));
        QCOMPARE(store->notice().value_or(""),
            std::string("Saved Tallowin settings. Scheduled scans will use them on the next hourly check."));
        // The names show as they were saved, cleaned.
        QCOMPARE(names(view)->toPlainText(), QStringLiteral("Ana\ncafé"));
        // The sheet stays open so that the confirmation can be read, until the next edit.
        QCOMPARE(store->presentation(), std::optional(TallowinPresentation::settings()));
        count(view, "Overlap")->setValue(2);
        QVERIFY(!visibleTexts(&view).contains(QStringLiteral("Settings saved")));
    }

    void aFailedSaveSaysWhyAndKeepsTheDraft()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        std::filesystem::create_directory(harness.folder.path("Tallowin.toml"));
        count(view, "Check every")->setValue(9);
        view.submit();
        harness.settle();

        const QStringList texts = visibleTexts(&view);
        QVERIFY(texts.contains(QStringLiteral("Couldn’t save settings")));
        QVERIFY(!texts.contains(QStringLiteral("Settings saved")));
        // The reason follows on its own line, naming the file.
        const auto reason = std::find_if(texts.begin(), texts.end(),
            [](const QString &text) { return text.contains(QStringLiteral("Tallowin.toml")); });
        QVERIFY(reason != texts.end());
        QCOMPARE(count(view, "Check every")->value(), 9);
        QCOMPARE(view.draft().checkEveryHours, 9);
        QCOMPARE(store->settings(), TallowinSettings::defaults());
    }

    void aChangedFileReplacesTheDraftOnlyUntilTheUserEdits()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        const auto writeFile = [&](const TallowinSettings &settings) {
            std::ofstream(harness.folder.path("Tallowin.toml")) << TallowinSettingsTOML::encode(settings);
            store->loadSettings(false);
        };
        writeFile(customSettings());
        QCOMPARE(count(view, "Check every")->value(), 4);

        count(view, "Overlap")->setValue(5);
        TallowinSettings later = customSettings();
        later.scanIntervalHours = 8;
        writeFile(later);
        QCOMPARE(count(view, "Check every")->value(), 4);
        QCOMPARE(count(view, "Overlap")->value(), 5);
    }

    void editSettingsFileLoadsItAndOpensIt()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        std::vector<std::filesystem::path> opened;
        bool opens = true;
        view.setFileOpener([&](const std::filesystem::path &path) {
            opened.push_back(path);
            return opens;
        });

        // A missing file is created with the defaults first.
        button(view, "Edit settings file")->click();
        QCOMPARE(opened, std::vector<std::filesystem::path> {store->settingsFilePath()});
        QCOMPARE(settingsOnDisk(harness), TallowinSettings::defaults());

        // A file with a mistake still opens, so that it can be fixed, and the mistake is shown.
        std::ofstream(harness.folder.path("Tallowin.toml")) << "schema_version = 1\n[scan]\nenabled = maybe\n";
        view.editSettingsFile();
        QCOMPARE(opened.size(), std::size_t(2));
        QVERIFY(visibleTexts(&view).contains(
            QStringLiteral("Tallowin.toml has an invalid value: scan.enabled must be true or false.")));

        opens = false;
        std::ofstream(harness.folder.path("Tallowin.toml")) << TallowinSettingsTOML::encode(customSettings());
        view.editSettingsFile();
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("No application is set up to open Tallowin.toml.")));
        QCOMPARE(count(view, "Check every")->value(), 4);
    }

    void exportDiagnosticsReportsWhereTheReportWent()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        // A cancelled panel says nothing.
        button(view, "Export diagnostics…")->click();
        harness.settle();
        QCOMPARE(harness.panels->proposedNames.size(), std::size_t(1));
        QVERIFY(!visibleTexts(&view).contains(QStringLiteral("Exported a diagnostic report you can attach here.")));

        harness.panels->diagnosticsAnswer = harness.folder.path("report.md");
        button(view, "Export diagnostics…")->click();
        harness.settle();
        QVERIFY(std::filesystem::exists(harness.folder.path("report.md")));
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("Exported a diagnostic report you can attach here.")));

        harness.panels->diagnosticsAnswer = harness.folder.path("missing/report.md");
        button(view, "Export diagnostics…")->click();
        harness.settle();
        const QStringList texts = visibleTexts(&view);
        QVERIFY(std::any_of(texts.begin(), texts.end(), [](const QString &text) {
            return text.startsWith(QStringLiteral("Tallowin could not export diagnostics: "));
        }));
    }

    void syncNowRunsTheCoordinatorAndShowsItsStatus()
    {
        StoreHarness harness;
        harness.cloudTransport = std::make_shared<FakeSyncTransport>();
        harness.defaultDeckFile = harness.deckFile;
        harness.environment["TALLOWIN_SYNC_URL"] = "https://anna:pw@127.0.0.1:5984/tallowin";
        auto store = harness.makeStore(std::nullopt);
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        SyncSettingsSection *sync = view.syncSection();
        QVERIFY(!sync->canSyncNow());
        QCOMPARE(sync->explanation(), QStringLiteral("Sync starts once your tasks have opened."));

        store->reload();
        harness.settle();
        QVERIFY(sync->canSyncNow());
        QCOMPARE(sync->status(), QStringLiteral("Saved on this device"));
        QCOMPARE(sync->explanation(), QString());
        button(view, "Sync now")->click();
        QCOMPARE(sync->status(), QStringLiteral("Syncing with iCloud…"));
        QVERIFY(!sync->canSyncNow());
        harness.settle();
        QCOMPARE(sync->status(), QStringLiteral("Synced with iCloud"));
        QVERIFY(sync->canSyncNow());
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("Synced with iCloud")));
    }

    void syncNowIsOffWithAReasonWhenThisDeckCannotSync()
    {
        StoreHarness harness;
        auto explicitFile = harness.loadedStore();
        TallowinSettingsView chosen(*explicitFile, TallowinPresentation::settings(), nullptr);
        QVERIFY(!button(chosen, "Sync now")->isEnabled());
        QCOMPARE(chosen.syncSection()->explanation(),
            QStringLiteral("Sync is off because Tallowin was started with a deck file of your choosing "
                           "(TALLOWIN_FILE_PATH). Only your usual Tallowin file is synced."));
        QCOMPARE(button(chosen, "Sync now")->accessibleDescription(), chosen.syncSection()->explanation());

        StoreHarness unset;
        unset.cloudTransport = std::make_shared<FakeSyncTransport>();
        unset.defaultDeckFile = unset.deckFile;
        unset.environment["XDG_CONFIG_HOME"] = unset.folder.path("config").string();
        auto canonical = unset.makeStore(std::nullopt);
        canonical->reload();
        unset.settle();
        TallowinSettingsView view(*canonical, TallowinPresentation::settings(), nullptr);
        QVERIFY(!view.syncSection()->canSyncNow());
        QCOMPARE(view.syncSection()->explanation(),
            QStringLiteral("Sync is not set up. Enter the address of your sync database above, or run tallowin-cli "
                           "sync-setup."));
        view.syncSection()->syncNow();
        QCOMPARE(view.syncSection()->status(), QStringLiteral("Saved on this device"));
    }

    void everyControlIsReachableWithTabAndNamedAsItReads()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        TallowinSettingsView view(*store, TallowinPresentation::settings(), nullptr);
        view.resize(600, 720);
        const QList<QWidget *> reached = tabbedControls(&view);
        const QStringList expected = {"Find tasks automatically", "Check every", "First scan", "Later scans", "Overlap",
            "People to watch", "Activity", "Comments and replies", "GitHub changes, when connected",
            "Edit settings file", "Export diagnostics…", "Save settings"};
        QStringList names;
        for (QWidget *control : reached)
            names << control->accessibleName();
        QCOMPARE(names, expected);
    }
};

QTEST_MAIN(TallowinSettingsViewTests)
#include "TallowinSettingsViewTests.moc"
