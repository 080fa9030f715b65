#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/CouchTestServer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace tallowin {
namespace {

using test::CouchTestServer;
using test::runCli;

constexpr const char *notSigned
    = "Saved locally. This local build is not signed for iCloud. Tasks are saved on this Mac.\n";

bool holdsTask(const TallowinDocument &deck, const std::string &id)
{
    return std::any_of(deck.tasks.begin(), deck.tasks.end(), [&](const TaskItem &task) { return task.id == id; });
}

void expectNoCredentials(const std::string &text)
{
    EXPECT_EQ(text.find(CouchTestServer::password), std::string::npos) << text;
    EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
    EXPECT_EQ(text.find(std::string(CouchTestServer::userName) + ":"), std::string::npos) << text;
}

class SyncCommand : public ::testing::Test
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

    void writeDeck(const std::string &relative, const TallowinDocument &document)
    {
        folder.write(relative, TaskMarkdownCodec::encode(document));
        ASSERT_EQ(::chmod(folder.path(relative).c_str(), 0600), 0);
    }
    std::string deckPath(const std::string &relative) const { return folder.path(relative).string(); }
    // Every run gets its own empty configuration folder unless a test fills it.
    std::map<std::string, std::string> environment(std::map<std::string, std::string> extra = {}) const
    {
        extra.emplace("XDG_CONFIG_HOME", folder.path("config").string());
        return extra;
    }
    test::ProcessResult sync(const std::string &deck, const std::map<std::string, std::string> &extra)
    {
        return runCli({"--file", deckPath(deck), "--now", now, "sync"}, environment(extra));
    }

    test::TemporaryFolder folder;
    std::unique_ptr<CouchTestServer> server;
    const std::string now = "2026-03-14T09:26:53.589Z";
};

TEST_F(SyncCommand, TwoDecksSyncThroughTheDatabaseWithoutShowingCredentials)
{
    writeDeck("One/Tallowin.md", test::makeDocument({test::makeTask("KB-001")}));
    writeDeck("Two/Tallowin.md", test::makeDocument({test::makeTask("KB-002")}));
    const std::map<std::string, std::string> configured {{"TALLOWIN_SYNC_URL", server->databaseURL()}};

    auto result = sync("One/Tallowin.md", configured);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");
    EXPECT_EQ(result.err, "");
    result = sync("Two/Tallowin.md", configured);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");

    const TallowinDocument second = TaskMarkdownCodec::decode(folder.read("Two/Tallowin.md"));
    EXPECT_TRUE(holdsTask(second, "KB-001"));
    EXPECT_TRUE(holdsTask(second, "KB-002"));
    const std::string checkpoint = folder.read("Two/CloudSync.json");
    // The account is the user on this server; the JSON writer escapes the slashes of the origin.
    EXPECT_NE(
        checkpoint.find("tallowin-tester at http:\\/\\/127.0.0.1:" + std::to_string(server->port())), std::string::npos)
        << checkpoint;
    expectNoCredentials(checkpoint);

    // A password the server refuses: the failure names neither it nor the user's credentials.
    const std::string before = folder.read("Two/Tallowin.md");
    result = sync(
        "Two/Tallowin.md", {{"TALLOWIN_SYNC_URL", server->databaseURL(CouchTestServer::userName, "wrong:p@ss")}});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
        "Saved locally. Sign into iCloud in system settings to sync. Your tasks stay saved on this device.\n");
    EXPECT_EQ(result.err.find("wrong"), std::string::npos);
    EXPECT_EQ(folder.read("Two/Tallowin.md"), before);
}

TEST_F(SyncCommand, AServerGoneFailsWithTheStatusAndLeavesTheDeckAlone)
{
    writeDeck("One/Tallowin.md", test::makeDocument({test::makeTask("KB-001")}));
    const std::string deck = folder.read("One/Tallowin.md");
    const std::string address = server->plainDatabaseURL();
    const std::map<std::string, std::string> configured {{"TALLOWIN_SYNC_URL", server->databaseURL()}};
    server->stop();

    auto result = sync("One/Tallowin.md", configured);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("Saved locally. Could not reach the cloud database at " + address, 0), 0u) << result.err;
    expectNoCredentials(result.err);
    EXPECT_EQ(folder.read("One/Tallowin.md"), deck);

    CouchTestServer back;
    result = sync("One/Tallowin.md", {{"TALLOWIN_SYNC_URL", back.databaseURL()}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");
}

TEST_F(SyncCommand, TheAddressComesFromAnOwnerOnlyFile)
{
    writeDeck("One/Tallowin.md", test::makeDocument({test::makeTask("KB-001")}));
    folder.write("config/Tallowin/sync-url", server->databaseURL() + "\n");
    const auto urlFile = folder.path("config/Tallowin/sync-url");

    ASSERT_EQ(::chmod(urlFile.c_str(), 0644), 0);
    auto result = sync("One/Tallowin.md", {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Saved locally. Tallowin cannot use " + urlFile.string(), 0), 0u) << result.err;
    expectNoCredentials(result.err);

    ASSERT_EQ(::chmod(urlFile.c_str(), 0600), 0);
    result = sync("One/Tallowin.md", {});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Synced with iCloud\n");
    expectNoCredentials(folder.read("One/CloudSync.json"));

    std::filesystem::rename(urlFile, folder.path("real-url"));
    std::filesystem::create_symlink(folder.path("real-url"), urlFile);
    result = sync("One/Tallowin.md", {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(urlFile.string() + ": it is a symbolic link"), std::string::npos) << result.err;
}

TEST_F(SyncCommand, WithoutAnAddressTheDeckStaysLocal)
{
    auto result = sync("One/Tallowin.md", {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, notSigned);
    EXPECT_FALSE(std::filesystem::exists(folder.path("One/Tallowin.md")));
}

} // namespace
} // namespace tallowin
