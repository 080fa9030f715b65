// The sync password in a real Secret Service (GNOME Keyring) and in a stand-in whose prompts are dismissed, each
// on the test's own session bus.
#include "TallowinCore/sync/TallowinSecretService.h"
#include "TallowinCore/sync/TallowinSecretServiceError.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/desktop/SecretServiceDaemon.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace tallowin {
namespace {

using test::SecretServiceDaemon;
using Unlocking = TallowinPasswordStore::Unlocking;

const TallowinSyncAccount anna {"https://db.example:6984/tallowin", "anna"};
const TallowinSyncAccount bob {"https://db.example:6984/tallowin", "bob"};

std::unique_ptr<SecretServiceDaemon> start(SecretServiceDaemon::Kind kind = SecretServiceDaemon::Kind::gnomeKeyring)
{
    try {
        return std::make_unique<SecretServiceDaemon>(kind);
    } catch (const std::exception &error) {
        ADD_FAILURE() << error.what();
        return nullptr;
    }
}

TEST(SecretService, StoresReadsReplacesAndForgetsThePasswordOfOneAccount)
{
    auto keyring = start();
    ASSERT_TRUE(keyring);
    TallowinSecretService passwords;
    EXPECT_EQ(passwords.lookup(anna, Unlocking::never), std::nullopt);

    EXPECT_EQ(passwords.store(anna, "first p@ss:word/é"), "the Secret Service (keyring “Login”)");
    passwords.store(bob, "bob's");
    EXPECT_EQ(passwords.lookup(anna, Unlocking::never), "first p@ss:word/é");
    // Another client finds it by the same attributes.
    EXPECT_EQ(keyring->lookUpWithSecretTool(anna.databaseURL, "anna"), "first p@ss:word/é");

    passwords.store(anna, "second");
    EXPECT_EQ(passwords.lookup(anna, Unlocking::never), "second");
    EXPECT_EQ(keyring->itemCount(TallowinSecretService::schemaName), 2);

    EXPECT_TRUE(passwords.forget(anna));
    EXPECT_FALSE(passwords.forget(anna));
    EXPECT_EQ(passwords.lookup(anna, Unlocking::never), std::nullopt);
    EXPECT_EQ(passwords.lookup(bob, Unlocking::never), "bob's");
    EXPECT_EQ(keyring->itemCount(TallowinSecretService::schemaName), 1);
}

TEST(SecretService, ALockedKeyringIsReportedAndNotUnlockedUnasked)
{
    auto keyring = start();
    ASSERT_TRUE(keyring);
    TallowinSecretService passwords;
    passwords.store(anna, "pw");
    keyring->lock();
    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::locked(), passwords.lookup(anna, Unlocking::never));
    EXPECT_EQ(std::string(TallowinSecretServiceError::locked().what()),
        "The keyring that holds the sync password is locked. Unlock it and try again.");
    // Asked to unlock, GNOME Keyring has no display to prompt on, which ends as a dismissed prompt does.
    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::dismissed(), passwords.lookup(anna, Unlocking::ask));
    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::dismissed(), passwords.store(anna, "other"));
}

TEST(SecretService, ADismissedPromptIsReportedAsSuch)
{
    auto standIn = start(SecretServiceDaemon::Kind::dismissingStandIn);
    ASSERT_TRUE(standIn);
    TallowinSecretService passwords;
    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::locked(), passwords.lookup(anna, Unlocking::never));
    EXPECT_EQ(standIn->promptsShown(), 0);

    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::dismissed(), passwords.lookup(anna, Unlocking::ask));
    EXPECT_EQ(standIn->promptsShown(), 1);
    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::dismissed(), passwords.store(anna, "pw"));
    EXPECT_THROW_SENTENCE(TallowinSecretServiceError, TallowinSecretServiceError::dismissed(), passwords.forget(anna));
    EXPECT_EQ(standIn->promptsShown(), 3);
    EXPECT_EQ(std::string(TallowinSecretServiceError::dismissed().what()),
        "The request to unlock the keyring was dismissed, so Tallowin could not use the sync password.");
}

TEST(SecretService, NobodyOnTheBusMeansNoSecretServiceIsRunning)
{
    SecretServiceDaemon::requirePrivateBus();
    ASSERT_FALSE(SecretServiceDaemon::nameHasOwner(SecretServiceDaemon::busName));
    TallowinSecretService passwords;
    for (int operation = 0; operation < 3; ++operation) {
        SCOPED_TRACE(operation);
        EXPECT_THROW_SENTENCE(TallowinSecretServiceError, TallowinSecretServiceError::notRunning(), [&] {
            if (operation == 0)
                passwords.lookup(anna, Unlocking::ask);
            else if (operation == 1)
                passwords.store(anna, "pw");
            else
                passwords.forget(anna);
        }());
    }
    EXPECT_EQ(std::string(TallowinSecretServiceError::notRunning().what()),
        "No Secret Service is running, so Tallowin cannot reach the sync password. Start your desktop’s keyring "
        "(GNOME Keyring, KWallet or KeePassXC) and try again.");
}

TEST(SecretService, NoSessionBusMeansNoSecretServiceIsRunning)
{
    SecretServiceDaemon::requirePrivateBus();
    // This process has not connected to its bus yet; now it has none to connect to.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallowin-test-bus", 1);
    TallowinSecretService passwords;
    EXPECT_THROW_SENTENCE(
        TallowinSecretServiceError, TallowinSecretServiceError::notRunning(), passwords.lookup(anna, Unlocking::ask));
}

} // namespace
} // namespace tallowin
