#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
