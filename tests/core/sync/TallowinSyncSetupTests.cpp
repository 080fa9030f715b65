#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/TallowinSecretServiceError.h"
#include "TallowinCore/sync/TallowinSyncConfiguration.h"
#include "TallowinCore/sync/TallowinSyncCredentials.h"
#include "TallowinCore/sync/TallowinSyncSetup.h"
#include "tests/support/CouchTestServer.h"
#include "tests/support/FakePasswordStore.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sys/stat.h>

namespace tallowin {
namespace {

using test::CouchTestServer;
using Keeping = TallowinSyncSetup::Keeping;

class SyncSetup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        try {
            server = std::make_unique<CouchTestServer>();
        } catch (const std::exception &error) {
            FAIL() << error.what();
        }
    }

    Environment environment() const
    {
        return [this](const std::string &name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            return found == variables.end() ? std::nullopt : std::optional(found->second);
        };
    }
    TallowinSyncAddress typed(const std::string &password) const
    {
        TallowinSyncAddress address = TallowinSyncAddress::parse(server->plainDatabaseURL());
        address.user = CouchTestServer::userName;
        address.password = password;
        return address;
    }
    std::string fileText() const { return folder.read("config/Tallowin/sync-url"); }
    std::string fileName() const { return folder.path("config/Tallowin/sync-url").string(); }
    // The address the file keeps, on its one line.
    TallowinSyncAddress fileAddress() const
    {
        const std::string text = fileText();
        return TallowinSyncAddress::parse(std::string_view(text).substr(0, text.find('\n')));
    }
    std::string account() const { return std::string(CouchTestServer::userName) + " at " + server->plainDatabaseURL(); }
    std::map<std::pair<std::string, std::string>, std::string> storedPassword(const std::string &password) const
    {
        return {{{server->plainDatabaseURL(), CouchTestServer::userName}, password}};
    }

    test::TemporaryFolder folder;
    std::map<std::string, std::string> variables {{"XDG_CONFIG_HOME", folder.path("config").string()}};
    std::unique_ptr<CouchTestServer> server;
    std::shared_ptr<test::FakePasswordStore> passwords = std::make_shared<test::FakePasswordStore>();
};

TEST_F(SyncSetup, ThePasswordGoesToTheStoreAndTheAddressWithoutItToThePrivateFile)
{
    EXPECT_EQ(TallowinSyncSetup::check(typed(CouchTestServer::password)),
        "Signed in to " + server->plainDatabaseURL() + " as tallowin-tester.");
    EXPECT_EQ(
        TallowinSyncSetup::setUp(typed(CouchTestServer::password), Keeping::secretService, *passwords, environment()),
        "Stored the password for " + account() + " in the test's keyring. The address, without the password, is in "
            + fileName() + ".");
    EXPECT_EQ(passwords->stored(), storedPassword(CouchTestServer::password));
    EXPECT_EQ(fileText(), "http://tallowin-tester@127.0.0.1:" + std::to_string(server->port()) + "/tallowin\n");
    struct stat status = {};
    ASSERT_EQ(::lstat(fileName().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    // The transport signs in with what was kept, read anew at the run.
    auto credentials = std::make_shared<TallowinSyncCredentials>(passwords, environment());
    TallowinCloudTransport transport(credentials->addressSource());
    EXPECT_EQ(transport.accountID(), "tallowin-tester at " + server->origin());
}

TEST_F(SyncSetup, APasswordTheServerRefusesKeepsNothing)
{
    const auto refused = THROWN_ERROR(TallowinCouchError,
        TallowinSyncSetup::setUp(typed("wrong:pw"), Keeping::secretService, *passwords, environment()));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind(), TallowinCouchError::Kind::unauthorized);
    EXPECT_EQ(std::string(refused->what()).find("wrong"), std::string::npos) << refused->what();
    EXPECT_TRUE(passwords->stored().empty());
    EXPECT_FALSE(std::filesystem::exists(fileName()));

    // A keyring that cannot take the password leaves the file alone too.
    passwords->failWith(std::make_exception_ptr(TallowinSecretServiceError::notRunning()));
    EXPECT_THROW_SENTENCE(TallowinSecretServiceError, TallowinSecretServiceError::notRunning(),
        TallowinSyncSetup::setUp(typed(CouchTestServer::password), Keeping::secretService, *passwords, environment()));
    EXPECT_FALSE(std::filesystem::exists(fileName()));
}

TEST_F(SyncSetup, APlainFileKeepsTheAddressWithThePasswordAndSaysSo)
{
    variables["TALLOWIN_SYNC_URL"] = server->databaseURL();
    EXPECT_EQ(TallowinSyncSetup::setUp(typed(CouchTestServer::password), Keeping::plainFile, *passwords, environment()),
        "Stored the address with the password for " + account() + " in " + fileName()
            + ", a file only you can read. The password is in plain text there, so anyone who can read your files (a "
              "backup, another program running as you) can read it too. TALLOWIN_SYNC_URL is set and comes before "
              "that file; unset it to use the address kept there.");
    EXPECT_TRUE(passwords->stored().empty());
    variables.erase("TALLOWIN_SYNC_URL");
    EXPECT_EQ(TallowinSyncConfiguration::login(passwords.get(), TallowinPasswordStore::Unlocking::never, environment())
                  ->password,
        CouchTestServer::password);
}

TEST_F(SyncSetup, APasswordInTheFileMovesIntoTheStore)
{
    TallowinSyncConfiguration::writeDatabaseURL(server->databaseURL(), environment());
    EXPECT_EQ(TallowinSyncSetup::movePasswordIntoStore(*passwords, environment()),
        "Moved the password for " + account() + " into the test's keyring. The address, without the password, is in "
            + fileName() + ".");
    EXPECT_EQ(passwords->stored(), storedPassword(CouchTestServer::password));
    EXPECT_EQ(fileAddress().password, std::nullopt);
    EXPECT_EQ(TallowinSyncSetup::movePasswordIntoStore(*passwords, environment()),
        "The address in use carries no password; there is nothing to move.");

    // From the variable, which Tallowin cannot change, the user is told to take it out there.
    variables["TALLOWIN_SYNC_URL"] = server->databaseURL();
    EXPECT_EQ(TallowinSyncSetup::movePasswordIntoStore(*passwords, environment()),
        "Moved the password for " + account() + " into the test's keyring. The address, without the password, is in "
            + fileName() + ". Remove the password from TALLOWIN_SYNC_URL, or unset it, so that it is nowhere else.");
}

TEST_F(SyncSetup, ForgettingRemovesThePasswordWhereverItIsAndKeepsTheAddress)
{
    TallowinSyncSetup::setUp(typed(CouchTestServer::password), Keeping::secretService, *passwords, environment());
    EXPECT_EQ(TallowinSyncSetup::forget(*passwords, environment()),
        "Removed the sync password for " + account() + " from the Secret Service.");
    EXPECT_TRUE(passwords->stored().empty());
    EXPECT_EQ(fileAddress().user, CouchTestServer::userName);
    EXPECT_EQ(
        TallowinSyncSetup::forget(*passwords, environment()), "No sync password is stored for " + account() + ".");

    // A password in the file goes from there even on a machine without a Secret Service.
    TallowinSyncConfiguration::writeDatabaseURL(server->databaseURL(), environment());
    passwords->failWith(std::make_exception_ptr(TallowinSecretServiceError::notRunning()));
    EXPECT_EQ(TallowinSyncSetup::forget(*passwords, environment()),
        "Removed the password for " + account() + " from " + fileName() + ".");
    EXPECT_EQ(fileAddress().password, std::nullopt);
    EXPECT_THROW_SENTENCE(TallowinSecretServiceError, TallowinSecretServiceError::notRunning(),
        TallowinSyncSetup::forget(*passwords, environment()));

    std::filesystem::remove(fileName());
    EXPECT_THROW_SENTENCE(TallowinSyncError,
        TallowinSyncError::unavailable("Sync is not set up: no database address is configured."),
        TallowinSyncSetup::forget(*passwords, environment()));
}

} // namespace
} // namespace tallowin
