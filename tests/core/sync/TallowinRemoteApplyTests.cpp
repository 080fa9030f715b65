#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/sync/TallowinRemoteApply.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {
namespace {

using test::entriesOf;

namespace fs = std::filesystem;

constexpr const char *later = "2026-03-14T11:00:00.000Z";

mode_t modeOf(const fs::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot inspect " + path.string());
    return status.st_mode & 07777;
}

class TallowinRepositoryApplyRemoteTest : public ::testing::Test
{
protected:
    TallowinRepositoryApplyRemoteTest()
    {
        agreed = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
        agreed.revision = 4;
    }

    void writeDeck(const TallowinDocument &deck) const
    {
        folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deck));
    }
    std::string deckBytes() const { return folder.read("Decks/Tallowin.md"); }
    std::set<std::string> backups() const { return entriesOf(folder.path("Decks/SyncBackups")); }

    // The agreed deck with one card changed, as another device would send it.
    TallowinDocument changedRemotely(const std::string &title) const
    {
        TallowinDocument remote = agreed;
        remote.revision = 11;
        remote.updatedAt = later;
        remote.tasks[1].title = title;
        remote.tasks[1].updatedAt = later;
        return remote;
    }

    test::TemporaryFolder folder;
    TallowinRepository repository {folder.path("Decks/Tallowin.md")};
    TallowinDocument agreed;
};

TEST_F(TallowinRepositoryApplyRemoteTest, aRemoteDeckEqualToTheLocalOneWritesNothing)
{
    writeDeck(agreed);
    const std::string before = deckBytes();
    TallowinDocument remote = agreed;
    remote.revision = 11;

    const TallowinDocument applied = TallowinRemoteApply::applyRemote(repository, remote, agreed);
    EXPECT_TRUE(TallowinSyncMerge::equivalent(applied, agreed));
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryApplyRemoteTest, aRealChangeIsWrittenAtTheNextRevisionAfterOneBackupOfTheOldDeck)
{
    writeDeck(agreed);
    const TallowinDocument applied
        = TallowinRemoteApply::applyRemote(repository, changedRemotely("Retitled elsewhere"), agreed);

    EXPECT_EQ(applied.revision, 5);
    EXPECT_EQ(applied.tasks[1].title, "Retitled elsewhere");
    EXPECT_EQ(repository.load(), applied);
    const std::set<std::string> names = backups();
    ASSERT_EQ(names.size(), 1u);
    const std::string name = *names.begin();
    EXPECT_TRUE(std::regex_match(
        name, std::regex("Tallowin-4-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\.md")))
        << name;
    EXPECT_EQ(modeOf(folder.path("Decks/SyncBackups/" + name)), 0600u);
    EXPECT_EQ(modeOf(folder.path("Decks/SyncBackups")), 0700u);
    EXPECT_EQ(folder.read("Decks/SyncBackups/" + name), TaskMarkdownCodec::encode(agreed));
    EXPECT_FALSE(fs::exists(repository.lockPath()));

    // The next change adds a backup of its own, named after the revision it replaced.
    TallowinDocument next = changedRemotely("Retitled again");
    next.updatedAt = next.tasks[1].updatedAt = "2026-03-14T12:00:00.000Z";
    EXPECT_EQ(TallowinRemoteApply::applyRemote(repository, next, applied).revision, 6);
    const std::set<std::string> after = backups();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after.count(name), 1u);
    EXPECT_EQ(
        std::count_if(after.begin(), after.end(), [](const std::string &n) { return n.starts_with("Tallowin-5-"); }),
        1);
}

TEST_F(TallowinRepositoryApplyRemoteTest, localEditsSavedWhileTheSyncRanAreMergedIn)
{
    TallowinDocument local = agreed;
    local.revision = 5;
    local.updatedAt = "2026-03-14T10:00:00.000Z";
    local.tasks[0].context = "Edited here meanwhile";
    local.tasks[0].updatedAt = local.updatedAt;
    writeDeck(local);

    const TallowinDocument applied
        = TallowinRemoteApply::applyRemote(repository, changedRemotely("Retitled elsewhere"), agreed);
    EXPECT_EQ(applied.revision, 6);
    EXPECT_EQ(applied.tasks[0].context, "Edited here meanwhile");
    EXPECT_EQ(applied.tasks[1].title, "Retitled elsewhere");
    EXPECT_EQ(repository.load(), applied);
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_TRUE(backups().begin()->starts_with("Tallowin-5-"));
}

TEST_F(TallowinRepositoryApplyRemoteTest, aRefusedMergeWritesNothing)
{
    agreed.tasks.push_back(test::makeTask("ts-1700000000001", 2));
    writeDeck(agreed);
    const std::string before = deckBytes();
    TallowinDocument remote = changedRemotely("Retitled elsewhere");
    remote.tasks[2].createdAt = "2026-03-14T09:00:00.000Z";

    if (const auto error = EXPECT_THROW_SENTENCE(TallowinSyncError,
            "Task ID ts-1700000000001 belongs to different records on these devices. Both task lists are unchanged. "
            "Resolve the legacy ID conflict before syncing.",
            TallowinRemoteApply::applyRemote(repository, remote, agreed))) {
        EXPECT_EQ(error->kind(), TallowinSyncError::Kind::unavailable);
    }
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryApplyRemoteTest, anotherWriterHoldingTheFileMakesItBusy)
{
    writeDeck(agreed);
    const std::string before = deckBytes();
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getppid()));
    if (const auto error = THROWN_ERROR(TallowinRepositoryError,
            TallowinRemoteApply::applyRemote(repository, changedRemotely("Retitled elsewhere"), agreed))) {
        EXPECT_EQ(error->kind(), TallowinRepositoryError::Kind::writerBusy);
    }
    EXPECT_EQ(deckBytes(), before);
    EXPECT_TRUE(backups().empty());
}

} // namespace
} // namespace tallowin
