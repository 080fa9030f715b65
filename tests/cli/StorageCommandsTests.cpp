#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tallowin {
namespace {

using test::runCli;

mode_t modeOf(const std::filesystem::path &path)
{
    struct stat status
    { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

class StorageCommands : public ::testing::Test
{
protected:
    std::string deck() const { return folder.path("Decks/Tallowin.md").string(); }
    void writeDeck(const std::string &relative, const TallowinDocument &document)
    {
        folder.write(relative, TaskMarkdownCodec::encode(document));
        ::chmod(folder.path(relative).c_str(), 0600);
    }

    test::TemporaryFolder folder;
    const std::string now = "2026-03-14T09:26:53.589Z";
};

TEST_F(StorageCommands, InitCreatesAnOwnerOnlyDeckOnce)
{
    auto result = runCli({"--file", deck(), "--now", now, "init"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "revision 1, 0 cards, 0 candidates\n");
    EXPECT_EQ(modeOf(deck()), 0600u);
    EXPECT_EQ(modeOf(folder.path("Decks")), 0700u);
    const TallowinDocument created = TaskMarkdownCodec::decode(folder.read("Decks/Tallowin.md"));
    EXPECT_EQ(created.title, "Tallowin");
    EXPECT_EQ(created.updatedAt, now);

    const std::string before = folder.read("Decks/Tallowin.md");
    result = runCli({"--file", deck(), "--now", "2027-01-01T00:00:00.000Z", "init"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(folder.read("Decks/Tallowin.md"), before) << "an existing deck is left as it is";
}

TEST_F(StorageCommands, ImportReportsEachFile)
{
    TallowinDocument canonical = test::makeDocument({test::makeTask("KB-001")});
    canonical.revision = 4;
    writeDeck("Decks/Tallowin.md", canonical);

    TallowinDocument other = test::makeDocument({test::makeTask("KB-002")});
    writeDeck("other.md", other);
    folder.write("notes.md", "just notes");

    const std::string otherPath = folder.path("other.md").string();
    const std::string notesPath = folder.path("notes.md").string();
    const std::string missingPath = folder.path("missing.md").string();
    const auto result = runCli({"--file", deck(), "--now", now, "import", otherPath, notesPath, missingPath, deck()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
        "Import: 1 imported, 1 already present, 1 inaccessible, 1 invalid.\n" + otherPath + ": imported\n" + notesPath
            + ": invalid. Tallowin data markers are missing from the Markdown file.\n" + missingPath
            + ": inaccessible. The file " + missingPath + " does not exist.\n" + deck()
            + ": duplicate. This is the canonical file.\n");

    const TallowinDocument imported = TaskMarkdownCodec::decode(folder.read("Decks/Tallowin.md"));
    EXPECT_EQ(imported.revision, 5);
    EXPECT_EQ(imported.tasks.size(), 2u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path("Decks/ImportBackups")),
                  std::filesystem::directory_iterator()),
        1);

    EXPECT_EQ(runCli({"--file", deck(), "import"}).exitCode, 2) << "at least one file is needed";
}

TEST_F(StorageCommands, SettingsAreCreatedOnceAndPrinted)
{
    auto result = runCli({"--file", deck(), "settings"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string defaults = "schema_version = 1\n\n[scan]\nenabled = true\ninterval_hours = 1\n"
                                 "initial_lookback_days = 30\nlookback_days = 7\nminimum_overlap_days = 3\n\n"
                                 "[vip]\nnames = []\ntrack_activity = true\ntrack_comments = true\n"
                                 "track_pushed_changes = true\n";
    EXPECT_EQ(result.out, defaults);
    EXPECT_EQ(folder.read("Decks/Tallowin.toml"), defaults);
    EXPECT_EQ(modeOf(folder.path("Decks/Tallowin.toml")), 0600u);
    EXPECT_FALSE(std::filesystem::exists(deck())) << "settings do not create the deck";

    folder.write("Decks/Tallowin.toml", "[vip]\nnames = [\" Ann \", \"ann\"] # team\n");
    result = runCli({"--file", deck(), "settings"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("names = [\"Ann\"]\n"), std::string::npos);
    EXPECT_EQ(folder.read("Decks/Tallowin.toml"), "[vip]\nnames = [\" Ann \", \"ann\"] # team\n");

    folder.write("Decks/Tallowin.toml", "[scan]\ninterval_hours = 0\n");
    result = runCli({"--file", deck(), "settings"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Tallowin.toml has an invalid value: scan.interval_hours must be a positive integer.\n");
}

} // namespace
} // namespace tallowin
