#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinSyncConfiguration.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <sys/stat.h>

namespace tallowin {
namespace {

// The environment tests hand in, so the real one is never read.
Environment environmentOf(std::map<std::string, std::string> values)
{
    return [values = std::move(values)](const std::string &name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    };
}

class SyncConfiguration : public ::testing::Test
{
protected:
    void writeURLFile(const std::string &content, mode_t mode)
    {
        folder.write("config/Tallowin/sync-url", content);
        ASSERT_EQ(::chmod(file().c_str(), mode), 0);
    }
    std::filesystem::path file() const { return folder.path("config/Tallowin/sync-url"); }
    std::string failureOf(const Environment &environment)
    {
        try {
            TallowinSyncConfiguration::databaseURL(environment);
        } catch (const std::exception &error) {
            return error.what();
        }
        return "no failure";
    }

    test::TemporaryFolder folder;
    const std::string configHome = folder.path("config").string();
};

TEST_F(SyncConfiguration, TheVariableComesBeforeTheOwnerOnlyFile)
{
    const auto withFile = environmentOf({{"XDG_CONFIG_HOME", configHome}});
    EXPECT_EQ(TallowinSyncConfiguration::configurationFile(withFile), file());
    EXPECT_EQ(TallowinSyncConfiguration::databaseURL(withFile), std::nullopt);

    writeURLFile("https://anna:pw@db.example:5984/tallowin\r\nignored second line\n", 0600);
    EXPECT_EQ(TallowinSyncConfiguration::databaseURL(withFile), "https://anna:pw@db.example:5984/tallowin");

    const auto withVariable
        = environmentOf({{"XDG_CONFIG_HOME", configHome}, {"TALLOWIN_SYNC_URL", "http://127.0.0.1:5984/other"}});
    EXPECT_EQ(TallowinSyncConfiguration::databaseURL(withVariable), "http://127.0.0.1:5984/other");

    writeURLFile("\n", 0600);
    EXPECT_EQ(TallowinSyncConfiguration::databaseURL(withFile), std::nullopt);
}

TEST_F(SyncConfiguration, AFileOthersCouldReadOrALinkIsRefused)
{
    const auto environment = environmentOf({{"XDG_CONFIG_HOME", configHome}});
    writeURLFile("https://anna:pw@db.example:5984/tallowin\n", 0644);
    std::string failure = failureOf(environment);
    EXPECT_NE(failure.find(file().string()), std::string::npos) << failure;
    EXPECT_EQ(failure.find("anna:pw"), std::string::npos) << failure;

    folder.write("elsewhere", "https://anna:pw@db.example:5984/tallowin\n");
    ASSERT_EQ(::chmod(folder.path("elsewhere").c_str(), 0600), 0);
    std::filesystem::remove(file());
    std::filesystem::create_symlink(folder.path("elsewhere"), file());
    failure = failureOf(environment);
    EXPECT_NE(failure.find(file().string()), std::string::npos) << failure;
    EXPECT_NE(failure.find("symbolic link"), std::string::npos) << failure;
}

TEST_F(SyncConfiguration, NoAddressMeansTheDeckStaysLocal)
{
    const auto url = TallowinSyncConfiguration::databaseURL(environmentOf({{"XDG_CONFIG_HOME", configHome}}));
    ASSERT_FALSE(url);
    TallowinCloudTransport transport(url);
    EXPECT_THROW_SENTENCE(TallowinSyncError,
        TallowinSyncError::unavailable("This local build is not signed for iCloud. Tasks are saved on this Mac."),
        transport.accountID());
}

} // namespace
} // namespace tallowin
