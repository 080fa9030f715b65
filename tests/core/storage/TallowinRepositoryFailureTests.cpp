#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FailingFileOperations.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <tuple>

namespace tallowin {
namespace {

using test::entriesOf;

namespace fs = std::filesystem;
using Step = test::FailingFileOperations::Step;

TallowinDocument deckAt(std::int64_t revision)
{
    TallowinDocument deck = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
    deck.revision = revision;
    deck.tasks.front().title = "Revision " + std::to_string(revision);
    return deck;
}

void expectWriteError(const std::function<void()> &operation, const fs::path &path, std::errc cause)
{
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinFileError,
            "Tallowin could not write " + path.string() + ": " + std::make_error_code(cause).message() + ".",
            operation())) {
        EXPECT_EQ(error->path1(), path);
        EXPECT_EQ(error->code(), cause);
    }
}

class TallowinRepositoryFailureTest : public ::testing::Test
{
protected:
    test::TemporaryFolder folder;
    const fs::path deckPath = folder.path("Decks/Tallowin.md");
    std::shared_ptr<test::FailingFileOperations> operations = std::make_shared<test::FailingFileOperations>();
    TallowinRepository repository {deckPath, &TallowinClock::current, operations};
};

// Durability: the data reaches the disk before the rename, the rename before the save returns.
TEST_F(TallowinRepositoryFailureTest, SaveSyncsTheFileBeforeTheRenameAndTheFolderAfterIt)
{
    folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deckAt(1)));
    repository.save(deckAt(2), 1);
    EXPECT_EQ(operations->steps(),
        (std::vector<Step> {
            Step::createExclusive, Step::writeAll, Step::syncFile, Step::close, Step::rename, Step::syncDirectory}));
}

std::string causeName(std::errc cause)
{
    switch (cause) {
    case std::errc::no_space_on_device:
        return "ENOSPC";
    case std::errc::io_error:
        return "EIO";
    case std::errc::permission_denied:
        return "EACCES";
    default:
        return std::to_string(static_cast<int>(cause));
    }
}

class TallowinRepositoryFailingStepTest : public TallowinRepositoryFailureTest,
                                          public ::testing::WithParamInterface<std::tuple<Step, std::errc>>
{ };

// The second save fails at the step; the first one's file must survive it byte for byte.
TEST_P(TallowinRepositoryFailingStepTest, FailedSaveLeavesThePreviousFileAndNothingElse)
{
    const auto [step, cause] = GetParam();
    folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deckAt(1)));
    operations->failCall(step, 2, cause);
    repository.save(deckAt(2), 1);
    const std::string saved = folder.read("Decks/Tallowin.md");

    expectWriteError([&] { repository.save(deckAt(3), 2); }, deckPath, cause);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
    struct stat status = {};
    ASSERT_EQ(::lstat(deckPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600);
    if (step == Step::syncDirectory) {
        // The rename had happened: the new deck is what every reader sees, and the next change made
        // against the old revision is told to reload.
        EXPECT_EQ(repository.load(), deckAt(3));
        EXPECT_THROW(repository.save(deckAt(3), 2), TallowinRepositoryError);
        return;
    }
    EXPECT_EQ(folder.read("Decks/Tallowin.md"), saved);
    // Nothing was counted as saved: the same change goes through against the same revision.
    EXPECT_EQ(repository.save(deckAt(3), 2), deckAt(3));
    EXPECT_EQ(repository.load(), deckAt(3));
}

// Creating the deck from the seed fails at the step: no deck, no temporary file, no lock, and the next
// attempt creates it.
TEST_P(TallowinRepositoryFailingStepTest, FailedSeedingLeavesNoFile)
{
    const auto [step, cause] = GetParam();
    operations->failCall(step, 1, cause);

    expectWriteError([&] { repository.prepareIfNeeded(deckAt(1)); }, deckPath, cause);
    if (step == Step::syncDirectory) {
        EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
        return;
    }
    EXPECT_TRUE(fs::is_empty(folder.path("Decks")));
    EXPECT_EQ(repository.prepareIfNeeded(deckAt(1)), deckAt(1));
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

INSTANTIATE_TEST_SUITE_P(EveryStep, TallowinRepositoryFailingStepTest,
    ::testing::Combine(::testing::Values(Step::createExclusive, Step::writeAll, Step::syncFile, Step::close,
                           Step::rename, Step::syncDirectory),
        ::testing::Values(std::errc::no_space_on_device, std::errc::io_error, std::errc::permission_denied)),
    [](const auto &info) {
        return std::string(test::stepName(std::get<0>(info.param))) + "_" + causeName(std::get<1>(info.param));
    });

// A temporary file that could not be removed after a failed write is cleared by the next writer.
TEST_F(TallowinRepositoryFailureTest, TemporaryFileLeftByAFailedCleanupIsRemovedByTheNextSave)
{
    folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deckAt(1)));
    const std::string before = folder.read("Decks/Tallowin.md");
    operations->failCall(Step::writeAll, 1, std::errc::no_space_on_device);
    operations->failCall(Step::remove, 1, std::errc::io_error);

    expectWriteError([&] { repository.save(deckAt(2), 1); }, deckPath, std::errc::no_space_on_device);
    EXPECT_EQ(folder.read("Decks/Tallowin.md"), before);
    const auto entries = entriesOf(folder.path("Decks"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries.count("Tallowin.md"));
    EXPECT_TRUE(entries.begin()->starts_with(".Tallowin.md.tmp-")) << *entries.begin();

    EXPECT_EQ(repository.save(deckAt(2), 1), deckAt(2));
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryFailureTest, TakenTemporaryNameIsReplacedByAnother)
{
    folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deckAt(1)));
    operations->failCall(Step::createExclusive, 1, std::errc::file_exists);

    EXPECT_EQ(repository.save(deckAt(2), 1), deckAt(2));
    EXPECT_EQ(operations->calls(Step::createExclusive), 2);
    EXPECT_EQ(repository.load(), deckAt(2));
}

} // namespace
} // namespace tallowin
