#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utility>
#include <vector>

namespace tallowin {
namespace {

using test::runCli;

class ReadCommands : public ::testing::Test
{
protected:
    void writeDeck(const TallowinDocument &document)
    {
        folder.write("Tallowin.md", TaskMarkdownCodec::encode(document));
        ::chmod(deckPath().c_str(), 0600);
    }
    std::string deckPath() const { return folder.path("Tallowin.md").string(); }

    test::TemporaryFolder folder;
};

TEST_F(ReadCommands, CheckShowAndRender)
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002")});
    document.revision = 12;
    document.pendingCandidates = {test::makeCandidate("c1")};
    writeDeck(document);

    auto result = runCli({"--file", deckPath(), "check"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "revision 12, 2 cards, 1 candidates\n");

    result = runCli({"--file", deckPath(), "render"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, TaskMarkdownCodec::encode(document));

    result = runCli({"show"}, {{"TALLOWIN_FILE_PATH", deckPath()}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(TaskMarkdownCodec::decode(std::string(TaskMarkdownCodec::beginMarker) + "\n" + result.out
                  + std::string(TaskMarkdownCodec::endMarker)),
        document);
}

TEST_F(ReadCommands, RenderShowsTheMigratedDeck)
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002")});
    document.version = 1;
    document.tasks[1].state = TaskState::removed;
    document.tasks[1].mergedInto = "KB-001";
    writeDeck(document);
    const auto result = runCli({"--file", deckPath(), "render"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const TallowinDocument shown = TaskMarkdownCodec::decode(result.out);
    EXPECT_EQ(shown.version, 2);
    EXPECT_NE(result.out.find("## Merged\n\n- **Me:** Task KB-002 (`KB-002` )"), std::string::npos);
}

TEST_F(ReadCommands, FailuresExitWithOneAndASentence)
{
    auto result = runCli({"--file", deckPath(), "check"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "The file " + deckPath() + " does not exist.\n");
    EXPECT_FALSE(std::filesystem::exists(deckPath())) << "reading commands never create the deck";

    folder.write("Tallowin.md", "# notes only");
    ::chmod(deckPath().c_str(), 0600);
    result = runCli({"--file", deckPath(), "render"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Tallowin data markers are missing from the Markdown file.\n");
    EXPECT_EQ(result.out, "");

    writeDeck(test::makeDocument());
    result = runCli({"--file", deckPath(), "--now", "yesterday", "check"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "The time yesterday is not a timestamp such as 2026-03-14T09:26:53.589Z.\n");
}

// Reads go through the repository, which refuses a deck or a deck folder that is a link before reading anything.
TEST_F(ReadCommands, LinkedDecksAndFoldersAreRefused)
{
    writeDeck(test::makeDocument());
    std::filesystem::create_directory_symlink(folder.root(), folder.path("Linked"));
    std::filesystem::create_symlink(deckPath(), folder.path("Link.md"));
    const std::string linkedFolder = folder.path("Linked").string();
    const std::string linkedDeck = folder.path("Link.md").string();
    const std::vector<std::pair<std::string, std::string>> cases
        = {{linkedFolder + "/Tallowin.md", "Tallowin cannot use " + linkedFolder + ": it is a symbolic link.\n"},
            {linkedDeck, "Tallowin cannot use " + linkedDeck + ": it is a symbolic link.\n"}};
    for (const auto &[path, sentence] : cases) {
        for (const char *command : {"check", "show", "render", "queue"}) {
            SCOPED_TRACE(path + " " + command);
            const auto result = runCli({"--file", path, command});
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_EQ(result.err, sentence);
            EXPECT_EQ(result.out, "");
        }
    }
}

TEST_F(ReadCommands, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(runCli({}).exitCode, 2);
    EXPECT_EQ(runCli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(runCli({"--file"}).exitCode, 2);
    EXPECT_EQ(runCli({"--bogus", "check"}).exitCode, 2);
    EXPECT_EQ(runCli({"--help"}).exitCode, 0);
}

} // namespace
} // namespace tallowin
