#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <unistd.h>

namespace tallowin {
namespace {

using test::entriesOf;
using test::runCli;

// The change commands read the deck once under the writer lock and write the result with the next revision.
class ChangeCommands : public ::testing::Test
{
protected:
    std::string deck() const { return folder.path("Decks/Tallowin.md").string(); }
    void writeDeck(const TallowinDocument &document) const
    {
        folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(document));
    }
    std::string deckBytes() const { return folder.read("Decks/Tallowin.md"); }
    test::ProcessResult run(const std::vector<std::string> &command) const
    {
        std::vector<std::string> arguments = {"--file", deck(), "--now", now};
        arguments.insert(arguments.end(), command.begin(), command.end());
        return runCli(arguments);
    }

    test::TemporaryFolder folder;
    const std::string now = "2026-03-20T12:00:00.000Z";
    const std::set<std::string> deckOnly = {"Tallowin.md"};
};

TEST_F(ChangeCommands, DecisionIsStoredWithTheNextRevision)
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
    document.revision = 7;
    writeDeck(document);

    const auto result = run({"complete", "kb-002", "Shipped"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const TallowinDocument stored = TaskMarkdownCodec::decode(deckBytes());
    EXPECT_EQ(result.out, "Completed " + stored.tasks[1].title + ".\n");
    EXPECT_EQ(stored.revision, 8);
    EXPECT_EQ(stored.updatedAt, now);
    EXPECT_EQ(stored.tasks[1].state, TaskState::completed);
    EXPECT_EQ(stored.tasks[1].result, "Shipped");
    EXPECT_EQ(stored.tasks[0], document.tasks[0]);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
}

TEST_F(ChangeCommands, FailuresLeaveTheDeckAndNoLock)
{
    writeDeck(test::makeDocument({test::makeTask("KB-001")}));
    const std::string before = deckBytes();

    auto result = run({"complete", "KB-404"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Task KB-404 was not found.\n");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);

    // A live writer holds the lock: nothing is read, changed or written.
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getpid()));
    result = run({"complete", "KB-001"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Tallowin is being updated by another writer. Reload and retry.\n");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), std::to_string(::getpid()));
}

TEST_F(ChangeCommands, ChangeThatAltersNothingWritesNothing)
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001")});
    document.revision = 3;
    writeDeck(document);
    const std::string before = deckBytes();

    const auto result = run({"due"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
}

TEST_F(ChangeCommands, MissingDeckIsSeededThenChanged)
{
    const auto result = run({"add", "Water the plants"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Task added.\n");
    const TallowinDocument stored = TaskMarkdownCodec::decode(deckBytes());
    EXPECT_EQ(stored.revision, 2) << "the seed, then the change";
    ASSERT_EQ(stored.tasks.size(), 1u);
    EXPECT_EQ(stored.tasks[0].title, "Water the plants");
}

} // namespace
} // namespace tallowin
