// tallowin-cli sync-setup and sync with the password in a real Secret Service and a real CouchDB-compatible server,
// each test on its own session bus; afterwards no file the test left and no output it captured holds a password.
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/sync/TallowinSecretService.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"
#include "tests/support/CouchTestServer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/desktop/SecretServiceDaemon.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace tallowin {
namespace {

using test::CouchTestServer;
using test::runCli;
using test::SecretServiceDaemon;

constexpr const char *newPassword = "n3w:p@ss/wörd";
constexpr const char *locked = "Saved locally. The keyring that holds the sync password is locked. Unlock it and "
                               "try again.\n";
constexpr const char *notRunning = "No Secret Service is running, so Tallowin cannot reach the sync password. Start "
                                   "your desktop’s keyring (GNOME Keyring, KWallet or KeePassXC) and try again.";

std::string percentEncoded(const std::string &password)
{
    TallowinSyncAddress address = TallowinSyncAddress::parse("http://host/db");
    address.user = "u";
    address.password = password;
    const std::string text = address.withPassword();
    return text.substr(std::string("http://u:").size(), text.find('@') - std::string("http://u:").size());
}

class SyncSetupCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        try {
            server = std::make_unique<CouchTestServer>();
        } catch (const std::exception &error) {
            FAIL() << error.what();
        }
        folder.write("One/Tallowin.md", TaskMarkdownCodec::encode(test::makeDocument({test::makeTask("KB-001")})));
        ASSERT_EQ(::chmod(folder.path("One/Tallowin.md").c_str(), 0600), 0);
    }

    void TearDown() override
    {
        // Everything the test left behind and everything it read from the commands holds no password.
        std::vector<std::filesystem::path> roots {folder.root()};
        if (keyring)
            roots.push_back(keyring->home());
        const auto results = runCli({"--file", deck(), "diagnostics"}, environment());
        captured += results.out + results.err;
        for (const std::string &password : {std::string(CouchTestServer::password), std::string(newPassword)}) {
            for (const std::string &form : {password, percentEncoded(password)}) {
                EXPECT_EQ(captured.find(form), std::string::npos) << "an output holds the password";
                for (const auto &root : roots) {
                    for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
                        if (!entry.is_regular_file())
                            continue;
                        std::ifstream file(entry.path(), std::ios::binary);
                        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
                        EXPECT_EQ(bytes.find(form), std::string::npos) << entry.path() << " holds the password";
                    }
                }
            }
        }
    }

    bool startKeyring(SecretServiceDaemon::Kind kind = SecretServiceDaemon::Kind::gnomeKeyring)
    {
        try {
            keyring = std::make_unique<SecretServiceDaemon>(kind);
        } catch (const std::exception &error) {
            ADD_FAILURE() << error.what();
            return false;
        }
        return true;
    }

    std::map<std::string, std::string> environment() const
    {
        return {{"XDG_CONFIG_HOME", folder.path("config").string()}};
    }
    std::string deck() const { return folder.path("One/Tallowin.md").string(); }
    std::string configFile() const { return folder.path("config/Tallowin/sync-url").string(); }
    // The address the configuration file keeps: the database with the user name, ending the line.
    std::string configuredAddress(bool withPassword) const
    {
        const TallowinSyncAddress address = TallowinSyncAddress::parse(server->databaseURL());
        return (withPassword ? address.withPassword() : address.withoutPassword()) + "\n";
    }
    std::optional<std::string> passwordInFile() const
    {
        std::string text = folder.read("config/Tallowin/sync-url");
        text.pop_back();
        return TallowinSyncAddress::parse(text).password;
    }
    std::string account() const { return std::string(CouchTestServer::userName) + " at " + server->plainDatabaseURL(); }

    test::ProcessResult cli(const std::vector<std::string> &arguments, const std::string &input = {})
    {
        test::ProcessResult result = runCli(arguments, environment(), input);
        captured += result.out + result.err;
        return result;
    }
    test::ProcessResult setUp(const std::string &password, std::vector<std::string> extra = {})
    {
        std::vector<std::string> arguments {
            "sync-setup", server->plainDatabaseURL(), "--user", CouchTestServer::userName};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return cli(arguments, password + "\n");
    }
    test::ProcessResult sync() { return cli({"--file", deck(), "--now", "2026-03-14T09:26:53.589Z", "sync"}); }

    test::TemporaryFolder folder;
    std::unique_ptr<CouchTestServer> server;
    std::unique_ptr<SecretServiceDaemon> keyring;
    std::string captured;
};

TEST_F(SyncSetupCommand, StoresReadsReplacesAndForgetsThePasswordThatSyncUses)
{
    ASSERT_TRUE(startKeyring());
    auto result = setUp(CouchTestServer::password);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
        "Stored the password for " + account()
            + " in the Secret Service (keyring “Login”). The address, without the password, is in " + configFile()
            + ".\n");
    EXPECT_EQ(folder.read("config/Tallowin/sync-url"),
        "http://tallowin-tester@127.0.0.1:" + std::to_string(server->port()) + "/tallowin\n");
    EXPECT_EQ(keyring->lookUpWithSecretTool(server->plainDatabaseURL(), CouchTestServer::userName),
        CouchTestServer::password);
    result = sync();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");

    // The password changed on the server: sync says so until the new one replaces the old.
    server->changePassword(newPassword);
    result = sync();
    EXPECT_EQ(result.err,
        "Saved locally. Sign into iCloud in system settings to sync. Your tasks stay saved on this device.\n");
    result = cli({"sync-setup"}, std::string(newPassword) + "\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(keyring->itemCount(TallowinSecretService::schemaName), 1);
    EXPECT_EQ(keyring->lookUpWithSecretTool(server->plainDatabaseURL(), CouchTestServer::userName), newPassword);
    result = sync();
    EXPECT_EQ(result.exitCode, 0) << result.err;

    result = cli({"sync-setup", "--forget"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Removed the sync password for " + account() + " from the Secret Service.\n");
    EXPECT_EQ(keyring->itemCount(TallowinSecretService::schemaName), 0);
    const std::string before = folder.read("One/Tallowin.md");
    result = sync();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
        "Saved locally. No sync password is stored for " + account()
            + ". Enter it in Settings, or run tallowin-cli sync-setup.\n");
    EXPECT_EQ(folder.read("One/Tallowin.md"), before);
}

TEST_F(SyncSetupCommand, APasswordTheServerRefusesOrOneOnTheCommandLineKeepsNothing)
{
    ASSERT_TRUE(startKeyring());
    auto result = setUp("not-the-password");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
        "The cloud database at " + server->origin()
            + "/_session did not accept the user name and password (HTTP 401).\n");
    EXPECT_FALSE(std::filesystem::exists(configFile()));
    EXPECT_EQ(keyring->itemCount(TallowinSecretService::schemaName), 0);

    // A password given as an argument is readable by every process on the machine; it is refused unused.
    result = cli({"sync-setup", server->databaseURL()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err,
        "The address carries a password, which every program on this machine can read in the process list. Give "
        "the address without it; sync-setup asks for the password.\n");
    result = cli({"sync-setup"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Give the address of the sync database: tallowin-cli sync-setup URL --user NAME\n");
    result = cli({"sync-setup", server->plainDatabaseURL()}, "pw\n");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Give the user name with --user NAME.\n");
    EXPECT_FALSE(std::filesystem::exists(configFile()));
}

TEST_F(SyncSetupCommand, AnAddressWithItsPasswordKeepsWorkingAndMovesIntoTheSecretServiceWhenAsked)
{
    ASSERT_TRUE(startKeyring());
    folder.write("config/Tallowin/sync-url", server->databaseURL() + "\n");
    ASSERT_EQ(::chmod(configFile().c_str(), 0600), 0);
    auto result = sync();
    EXPECT_EQ(result.exitCode, 0) << result.err;

    result = cli({"sync-setup"}, "n\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Nothing was changed.\n");
    EXPECT_EQ(passwordInFile(), CouchTestServer::password);
    result = cli({"sync-setup"}, "y\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
        "Moved the password for " + account()
            + " into the Secret Service (keyring “Login”). The address, without the password, is in " + configFile()
            + ".\n");
    EXPECT_EQ(passwordInFile(), std::nullopt);
    result = sync();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");
}

TEST_F(SyncSetupCommand, ALockedKeyringStopsSyncBeforeTheDeckIsTouched)
{
    ASSERT_TRUE(startKeyring());
    ASSERT_EQ(setUp(CouchTestServer::password).exitCode, 0);
    ASSERT_EQ(sync().exitCode, 0);
    const std::string deckBefore = folder.read("One/Tallowin.md");
    const std::string checkpointBefore = folder.read("One/CloudSync.json");
    keyring->lock();
    const auto result = sync();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, locked);
    EXPECT_EQ(folder.read("One/Tallowin.md"), deckBefore);
    EXPECT_EQ(folder.read("One/CloudSync.json"), checkpointBefore);
}

TEST_F(SyncSetupCommand, WithoutASecretServiceThePlainFileIsTheWayAndSaysWhatItMeans)
{
    auto result = setUp(CouchTestServer::password);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
        std::string(notRunning)
            + " Without one, tallowin-cli sync-setup --plain-file keeps the password in a file only you can read.\n");
    EXPECT_FALSE(std::filesystem::exists(configFile()));

    // A setup without the password in the address needs the service at every sync.
    folder.write("config/Tallowin/sync-url", configuredAddress(false));
    ASSERT_EQ(::chmod(configFile().c_str(), 0600), 0);
    const std::string before = folder.read("One/Tallowin.md");
    result = sync();
    EXPECT_EQ(result.err, "Saved locally. " + std::string(notRunning) + "\n");
    EXPECT_EQ(folder.read("One/Tallowin.md"), before);

    result = setUp(CouchTestServer::password, {"--plain-file"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
        "Stored the address with the password for " + account() + " in " + configFile()
            + ", a file only you can read. The password is in plain text there, so anyone who can read your files (a "
              "backup, another program running as you) can read it too.\n");
    result = sync();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");
    // The password in that file is the one thing a scan of it may find; it goes before the scan at the end.
    result = cli({"sync-setup", "--forget"});
    EXPECT_EQ(result.out, "Removed the password for " + account() + " from " + configFile() + ".\n");
}

TEST_F(SyncSetupCommand, ADismissedUnlockPromptKeepsNothing)
{
    ASSERT_TRUE(startKeyring(SecretServiceDaemon::Kind::dismissingStandIn));
    auto result = setUp(CouchTestServer::password);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(
        result.err, "The request to unlock the keyring was dismissed, so Tallowin could not use the sync password.\n");
    EXPECT_EQ(keyring->promptsShown(), 1);
    EXPECT_FALSE(std::filesystem::exists(configFile()));
}

} // namespace
} // namespace tallowin
