// The settings sheet's sync connection against a real Secret Service and a real CouchDB-compatible server, on the
// test's own session bus: what the sheet stores the command line finds and the other way round, and the locked,
// dismissed and missing service each end a sync with their own sentence after "Saved locally. ".
#include "Tallowin/screens/SyncSettingsSection.h"
#include "Tallowin/screens/TallowinSettingsView.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinSecretService.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"
#include "tests/app/support/SheetTestSupport.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/CouchTestServer.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/desktop/SecretServiceDaemon.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <memory>
#include <sys/stat.h>

using namespace tallowin;
using namespace tallowin::test;

namespace {

constexpr const char *replaced = "r3placed:p@ss";
constexpr const char *third = "th1rd/p@ss";

// A store on the canonical deck whose sync signs in as the application's does: the address from the
// configuration file, the password from the Secret Service, read anew at every run.
struct SyncedStore
{
    SyncedStore()
    {
        harness.environment["XDG_CONFIG_HOME"] = harness.folder.path("config").string();
        harness.defaultDeckFile = harness.deckFile;
        harness.syncCredentials = std::make_shared<TallowinSyncCredentials>(
            std::make_shared<TallowinSecretService>(), harness.services().environment);
        harness.cloudTransport = std::make_shared<TallowinCloudTransport>(harness.syncCredentials->addressSource());
        store = harness.makeStore(std::nullopt);
        store->reload();
        harness.settle();
    }

    std::map<std::string, std::string> cliEnvironment() const
    {
        return {{"XDG_CONFIG_HOME", harness.environment.at("XDG_CONFIG_HOME")}};
    }
    std::string configFile() const { return harness.folder.path("config/Tallowin/sync-url").string(); }
    std::string status() const { return store->cloudSync()->status(); }

    StoreHarness harness;
    std::unique_ptr<TaskStore> store;
};

QLineEdit *field(const QWidget &view, const char *name)
{
    return namedWidget<QLineEdit>(&view, QString::fromUtf8(name));
}

QPushButton *button(const QWidget &view, const char *name)
{
    return namedWidget<QPushButton>(&view, QString::fromUtf8(name));
}

std::string deckText(const StoreHarness &harness)
{
    return harness.folder.read("Tallowin.md");
}

// Where a password is found in the files under the folders or in the texts; empty when nowhere.
std::string whereFound(const std::vector<std::string> &passwords, const std::vector<std::filesystem::path> &folders,
    const std::vector<std::string> &texts)
{
    for (const std::string &password : passwords) {
        for (const std::string &text : texts) {
            if (text.find(password) != std::string::npos)
                return "a text the test read: " + text;
        }
        for (const std::filesystem::path &folder : folders) {
            for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
                if (!entry.is_regular_file())
                    continue;
                std::ifstream file(entry.path(), std::ios::binary);
                if (std::string((std::istreambuf_iterator<char>(file)), {}).find(password) != std::string::npos)
                    return entry.path().string();
            }
        }
    }
    return {};
}

} // namespace

class SyncSettingsSecretServiceTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void theSheetAndTheCommandLineShareOneStoredPassword()
    {
        SecretServiceDaemon keyring;
        CouchTestServer server;
        SyncedStore synced;
        const std::string account = std::string(CouchTestServer::userName) + " at " + server.plainDatabaseURL();
        TallowinSettingsView view(*synced.store, TallowinPresentation::settings(), nullptr);
        SyncSettingsSection *section = view.syncSection();
        synced.harness.settle();
        QCOMPARE(field(view, "Server address")->text(), QString());

        // Stored through the sheet: checked with the server, then kept; "Save settings" saves it with the rest.
        typeText(field(view, "Server address"), QString::fromStdString(server.plainDatabaseURL()));
        typeText(field(view, "User name"), QString::fromLatin1(CouchTestServer::userName));
        typeText(field(view, "Password"), QString::fromLatin1(CouchTestServer::password));
        QCOMPARE(field(view, "Password")->echoMode(), QLineEdit::Password);
        button(view, "Save settings")->click();
        synced.harness.settle();
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("Settings saved")));
        QCOMPARE(section->connectionResult().toStdString(),
            "Stored the password for " + account
                + " in the Secret Service (keyring “Login”). The address, without the password, is in "
                + synced.configFile() + ".");
        QCOMPARE(field(view, "Password")->text(), QString());
        QCOMPARE(section->passwordStatus(), QStringLiteral("The password is in the Secret Service."));
        QCOMPARE(synced.status(), std::string("Synced with iCloud"));
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("Synced with iCloud")));
        QCOMPARE(keyring.lookUpWithSecretTool(server.plainDatabaseURL(), CouchTestServer::userName),
            std::string(CouchTestServer::password));
        // The command line reads what the sheet stored.
        ProcessResult cli = runCli(
            {"--file", synced.harness.folder.path("Other/Tallowin.md").string(), "sync"}, synced.cliEnvironment());
        QCOMPARE(cli.out, std::string("Synced with iCloud\n"));

        // Replaced through the command line; "Test connection" with an empty field reads the new one.
        server.changePassword(replaced);
        cli = runCli({"sync-setup"}, synced.cliEnvironment(), std::string(replaced) + "\n");
        QCOMPARE(cli.exitCode, 0);
        button(view, "Test connection")->click();
        synced.harness.settle();
        QCOMPARE(section->connectionResult().toStdString(),
            "Signed in to " + server.plainDatabaseURL() + " as tallowin-tester.");

        // Replaced through the sheet; one entry stays, and the command line signs in with it.
        server.changePassword(third);
        typeText(field(view, "Password"), QString::fromLatin1(third));
        button(view, "Save settings")->click();
        synced.harness.settle();
        QCOMPARE(keyring.itemCount(TallowinSecretService::schemaName), 1);
        QCOMPARE(
            keyring.lookUpWithSecretTool(server.plainDatabaseURL(), CouchTestServer::userName), std::string(third));
        cli = runCli(
            {"--file", synced.harness.folder.path("Other/Tallowin.md").string(), "sync"}, synced.cliEnvironment());
        QCOMPARE(cli.out, std::string("Synced with iCloud\n"));

        // Forgotten through the sheet: the next sync, here and on the command line, says what is missing.
        button(view, "Forget password")->click();
        synced.harness.settle();
        QCOMPARE(section->connectionResult().toStdString(),
            "Removed the sync password for " + account + " from the Secret Service.");
        const std::string missing = "Saved locally. No sync password is stored for " + account
            + ". Enter it in Settings, or run tallowin-cli sync-setup.";
        QCOMPARE(synced.status(), missing);
        QCOMPARE(section->status().toStdString(), missing);
        cli = runCli(
            {"--file", synced.harness.folder.path("Other/Tallowin.md").string(), "sync"}, synced.cliEnvironment());
        QCOMPARE(cli.err, missing + "\n");
        QCOMPARE(keyring.itemCount(TallowinSecretService::schemaName), 0);

        // Nothing the sheet, the store or the command line left or showed holds any of the passwords.
        std::vector<std::string> texts {synced.store->diagnosticsReport(), cli.out, cli.err};
        for (const QString &text : visibleTexts(&view))
            texts.push_back(text.toStdString());
        QCOMPARE(whereFound({CouchTestServer::password, replaced, third},
                     {synced.harness.folder.root(), keyring.home()}, texts),
            std::string());
    }

    void aConnectionTheServerRefusesIsNotSavedNorIsTheRest()
    {
        SecretServiceDaemon keyring;
        CouchTestServer server;
        SyncedStore synced;
        TallowinSettingsView view(*synced.store, TallowinPresentation::settings(), nullptr);
        typeText(field(view, "Server address"), QString::fromStdString(server.plainDatabaseURL()));
        typeText(field(view, "User name"), QString::fromLatin1(CouchTestServer::userName));
        typeText(field(view, "Password"), QStringLiteral("wrong"));
        button(view, "Save settings")->click();
        synced.harness.settle();
        QVERIFY(visibleTexts(&view).contains(QStringLiteral("Couldn’t save settings")));
        QVERIFY(visibleTexts(&view).contains(QString::fromStdString("The cloud database at " + server.origin()
            + "/_session did not accept the user name and password (HTTP 401).")));
        // The typed password stays to be corrected; nothing was kept.
        QCOMPARE(field(view, "Password")->text(), QStringLiteral("wrong"));
        QVERIFY(!std::filesystem::exists(synced.configFile()));
        QCOMPARE(keyring.itemCount(TallowinSecretService::schemaName), 0);

        const QStringList expected = {"Server address", "User name", "Password", "Test connection"};
        QStringList reached;
        for (QWidget *control : tabbedControls(&view)) {
            if (expected.contains(control->accessibleName()))
                reached << control->accessibleName();
        }
        QCOMPARE(reached, expected);
    }

    void aLockedKeyringEndsTheSyncWithItsSentenceAndLeavesTheDeck()
    {
        SecretServiceDaemon keyring;
        CouchTestServer server;
        SyncedStore synced;
        ProcessResult cli = runCli({"sync-setup", server.plainDatabaseURL(), "--user", CouchTestServer::userName},
            synced.cliEnvironment(), std::string(CouchTestServer::password) + "\n");
        QCOMPARE(cli.exitCode, 0);
        keyring.lock();
        const std::string before = deckText(synced.harness);
        synced.store->cloudSync()->requestSync();
        synced.harness.settle();
        QCOMPARE(synced.status(),
            std::string("Saved locally. The keyring that holds the sync password is locked. Unlock it and try again."));
        QCOMPARE(deckText(synced.harness), before);

        TallowinSettingsView view(*synced.store, TallowinPresentation::settings(), nullptr);
        synced.harness.settle();
        QCOMPARE(field(view, "Server address")->text(), QString::fromStdString(server.plainDatabaseURL()));
        QCOMPARE(field(view, "User name")->text(), QString::fromLatin1(CouchTestServer::userName));
        QCOMPARE(view.syncSection()->passwordStatus(),
            QStringLiteral("The keyring that holds the sync password is locked. Unlock it and try again."));
    }

    void syncNowAsksToUnlockAndADismissedPromptSaysSo()
    {
        SecretServiceDaemon standIn(SecretServiceDaemon::Kind::dismissingStandIn);
        SyncedStore synced;
        synced.harness.folder.write("config/Tallowin/sync-url", "https://anna@db.example:6984/tallowin\n");
        QCOMPARE(::chmod(synced.configFile().c_str(), 0600), 0);
        const std::string before = deckText(synced.harness);

        // A sync that started by itself does not prompt.
        synced.store->cloudSync()->requestSync();
        synced.harness.settle();
        QCOMPARE(synced.status(),
            std::string("Saved locally. The keyring that holds the sync password is locked. Unlock it and try again."));
        QCOMPARE(standIn.promptsShown(), 0);

        TallowinSettingsView view(*synced.store, TallowinPresentation::settings(), nullptr);
        synced.harness.settle();
        button(view, "Sync now")->click();
        synced.harness.settle();
        QCOMPARE(standIn.promptsShown(), 1);
        QCOMPARE(view.syncSection()->status(),
            QStringLiteral("Saved locally. The request to unlock the keyring was dismissed, so Tallowin could not use "
                           "the sync password."));
        QCOMPARE(deckText(synced.harness), before);
    }

    void withoutASecretServiceSyncSaysSo()
    {
        QVERIFY(!SecretServiceDaemon::nameHasOwner(SecretServiceDaemon::busName));
        SyncedStore synced;
        synced.harness.folder.write("config/Tallowin/sync-url", "https://anna@db.example:6984/tallowin\n");
        QCOMPARE(::chmod(synced.configFile().c_str(), 0600), 0);
        synced.store->cloudSync()->requestSync();
        synced.harness.settle();
        QCOMPARE(synced.status(),
            std::string("Saved locally. No Secret Service is running, so Tallowin cannot reach the sync password. "
                        "Start your desktop’s keyring (GNOME Keyring, KWallet or KeePassXC) and try again."));
    }
};

QTEST_MAIN(SyncSettingsSecretServiceTests)
#include "SyncSettingsSecretServiceTests.moc"
