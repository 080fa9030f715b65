#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/codec/TaskMarkdownCodecError.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tallowin {
namespace {

using test::entriesOf;

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;
constexpr const char *busy = "Tallowin is being updated by another writer. Reload and retry.";

struct stat statusOf(const fs::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot inspect " + path.string());
    return status;
}

mode_t modeOf(const fs::path &path)
{
    return statusOf(path).st_mode & 07777;
}

TallowinDocument deckAt(std::int64_t revision)
{
    TallowinDocument deck = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
    deck.revision = revision;
    return deck;
}

// The caller's next document: one card retitled, the revision raised by one.
TallowinDocument changed(const TallowinDocument &base, const std::string &title)
{
    TallowinDocument next = base;
    next.revision = base.revision + 1;
    next.updatedAt = "2026-03-14T10:00:00.000Z";
    next.tasks.front().title = title;
    return next;
}

class TallowinRepositoryTest : public ::testing::Test
{
protected:
    void writeDeck(const TallowinDocument &deck) const
    {
        folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deck));
    }
    std::string deckBytes() const { return folder.read("Decks/Tallowin.md"); }

    test::TemporaryFolder folder;
    const fs::path deckPath = folder.path("Decks/Tallowin.md");
    TallowinRepository repository {deckPath};
};

TEST_F(TallowinRepositoryTest, LockPathIsTheDeckPathWithLockAppended)
{
    EXPECT_EQ(repository.lockPath(), folder.path("Decks/Tallowin.md.lock"));
}

TEST_F(TallowinRepositoryTest, LoadDecodesAndMakesTheFileOwnerOnlyWithoutTakingTheLock)
{
    writeDeck(deckAt(3));
    ASSERT_EQ(::chmod(deckPath.c_str(), 0644), 0);
    // A live writer holds the lock; readers do not wait for it.
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getpid()));

    EXPECT_EQ(repository.load(), deckAt(3));
    EXPECT_EQ(modeOf(deckPath), 0600);
    EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), std::to_string(::getpid()));
}

TEST_F(TallowinRepositoryTest, LoadOfAMissingFileNamesItAndCreatesNothing)
{
    if (const auto error = EXPECT_THROW_SENTENCE(
            TallowinFileError, "The file " + deckPath.string() + " does not exist.", repository.load())) {
        EXPECT_EQ(error->path1(), deckPath);
        EXPECT_EQ(error->code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_TRUE(fs::is_empty(folder.root()));
}

TEST_F(TallowinRepositoryTest, LoadPassesDecodingErrorsOn)
{
    folder.write("Decks/Tallowin.md", "# Notes\n\nNo machine data here.\n");
    if (const auto error = EXPECT_THROW_SENTENCE(
            TaskMarkdownCodecError, "Tallowin data markers are missing from the Markdown file.", repository.load())) {
        EXPECT_EQ(error->kind(), TaskMarkdownCodecError::Kind::missingDataBlock);
    }
}

TEST_F(TallowinRepositoryTest, PrepareWritesTheSeedUnchangedWhenTheFileIsMissing)
{
    const fs::path nested = folder.path("Fresh/Inner/Tallowin.md");
    TallowinRepository fresh(nested);
    TallowinDocument seed = deckAt(7);
    seed.title = "Seeded";

    EXPECT_EQ(fresh.prepareIfNeeded(seed), seed);
    EXPECT_EQ(fresh.load(), seed);
    EXPECT_EQ(folder.read("Fresh/Inner/Tallowin.md"), TaskMarkdownCodec::encode(seed));
    EXPECT_EQ(modeOf(nested), 0600);
    EXPECT_EQ(modeOf(folder.path("Fresh")), 0700);
    EXPECT_EQ(modeOf(folder.path("Fresh/Inner")), 0700);
    EXPECT_EQ(entriesOf(folder.path("Fresh/Inner")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryTest, PrepareReturnsAnExistingDeckAndIgnoresTheSeed)
{
    writeDeck(deckAt(5));
    const std::string before = deckBytes();
    // Reading an existing deck takes no lock, so a live writer does not stand in the way.
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getpid()));

    EXPECT_EQ(repository.prepareIfNeeded(deckAt(1)), deckAt(5));
    EXPECT_EQ(deckBytes(), before);
}

TEST_F(TallowinRepositoryTest, PrepareDoesNotCreateTheDeckWhileAnotherWriterHoldsTheLock)
{
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getppid()));
    if (const auto error = EXPECT_THROW_SENTENCE(
            TallowinRepositoryError, TallowinRepositoryError::writerBusy(), repository.prepareIfNeeded(deckAt(1)))) {
        EXPECT_STREQ(error->what(), busy);
    }
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md.lock"});
}

TEST_F(TallowinRepositoryTest, SecondSaveAgainstTheSameRevisionIsAConflict)
{
    writeDeck(deckAt(4));
    const TallowinDocument first = changed(deckAt(4), "First writer");
    EXPECT_EQ(repository.save(first, 4), first);
    const std::string afterFirst = deckBytes();

    if (const auto error = EXPECT_THROW_SENTENCE(TallowinRepositoryError,
            TallowinRepositoryError::revisionConflict(4, 5), repository.save(changed(deckAt(4), "Second writer"), 4))) {
        EXPECT_EQ(error->kind(), TallowinRepositoryError::Kind::revisionConflict);
        EXPECT_EQ(error->expected(), 4);
        EXPECT_EQ(error->actual(), 5);
        EXPECT_STREQ(
            error->what(), "The Tallowin file changed from revision 4 to 5. Reload it before making another change.");
    }
    EXPECT_EQ(deckBytes(), afterFirst);
    EXPECT_EQ(repository.load(), first);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryTest, SaveStoresTheDocumentExactlyAsGiven)
{
    writeDeck(deckAt(4));
    ASSERT_EQ(::chmod(deckPath.c_str(), 0664), 0);
    // The caller chooses the stored revision and time; the repository adds nothing.
    TallowinDocument document = changed(deckAt(4), "Jumped");
    document.revision = 42;
    document.updatedAt = "2030-01-01T00:00:00.000Z";

    EXPECT_EQ(repository.save(document, 4), document);
    EXPECT_EQ(deckBytes(), TaskMarkdownCodec::encode(document));
    EXPECT_EQ(modeOf(deckPath), 0600);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryTest, FailedSavesLeaveTheFileAsItWasAndNoLock)
{
    writeDeck(deckAt(2));
    const std::string before = deckBytes();

    TallowinDocument invalid = changed(deckAt(2), "Twice");
    invalid.tasks.push_back(invalid.tasks.front());
    EXPECT_THROW_SENTENCE(
        TallowinValidationError, TallowinValidationError::duplicateTaskID("KB-001"), repository.save(invalid, 2));
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});

    folder.write("Decks/Tallowin.md", "Hand-edited notes without machine data.");
    EXPECT_THROW(repository.save(changed(deckAt(2), "Lost"), 2), TaskMarkdownCodecError);
    EXPECT_EQ(deckBytes(), "Hand-edited notes without machine data.");
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});

    fs::remove(deckPath);
    EXPECT_THROW(repository.save(changed(deckAt(2), "Nowhere"), 2), TallowinFileError);
    EXPECT_TRUE(fs::is_empty(folder.path("Decks")));
}

// One repository used from many threads runs one operation at a time: every save but the first meets
// the revision it wrote, and none trips over the lock file of another thread.
TEST_F(TallowinRepositoryTest, SavesFromManyThreadsAreSerialised)
{
    writeDeck(deckAt(1));
    constexpr int threadCount = 8;
    std::vector<std::string> outcomes(threadCount);
    std::vector<std::thread> threads;
    for (int index = 0; index < threadCount; ++index) {
        threads.emplace_back([&, index] {
            try {
                repository.save(changed(deckAt(1), "Thread " + std::to_string(index)), 1);
                outcomes[index] = "saved";
            } catch (const std::exception &error) {
                outcomes[index] = error.what();
            }
        });
    }
    for (auto &thread : threads)
        thread.join();

    const std::string conflict
        = "The Tallowin file changed from revision 1 to 2. Reload it before making another change.";
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), "saved"), 1);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), conflict), threadCount - 1);
    EXPECT_EQ(repository.load().revision, 2);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

// Links and other users' entries are refused before the deck is read or written, by every operation.
class TallowinRepositoryRefusalTest : public TallowinRepositoryTest
{
protected:
    void expectRefusedEverywhere(const fs::path &deck, const fs::path &named, const std::string &reason)
    {
        TallowinRepository refused(deck);
        const std::vector<std::pair<std::string, std::function<void()>>> operations = {
            {"load", [&] { refused.load(); }},
            {"prepareIfNeeded", [&] { refused.prepareIfNeeded(deckAt(1)); }},
            {"save", [&] { refused.save(changed(deckAt(3), "Refused"), 3); }},
            {"update", [&] { refused.update([](TallowinDocument &&current) { return std::optional(current); }); }},
        };
        for (const auto &[name, operation] : operations) {
            SCOPED_TRACE(name);
            if (const auto error = EXPECT_THROW_SENTENCE(
                    TallowinFileError, "Tallowin cannot use " + named.string() + ": " + reason + ".", operation())) {
                EXPECT_EQ(error->path1(), named);
                EXPECT_EQ(error->code(), std::errc::permission_denied);
            }
        }
    }
};

TEST_F(TallowinRepositoryRefusalTest, DeckFileThatIsALink)
{
    writeDeck(deckAt(3));
    ASSERT_EQ(::chmod(deckPath.c_str(), 0644), 0);
    const std::string before = deckBytes();
    fs::create_symlink(deckPath, folder.path("Decks/Linked.md"));

    expectRefusedEverywhere(folder.path("Decks/Linked.md"), folder.path("Decks/Linked.md"), "it is a symbolic link");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(modeOf(deckPath), 0644);
    EXPECT_TRUE(fs::is_symlink(folder.path("Decks/Linked.md")));
    EXPECT_EQ(entriesOf(folder.path("Decks")), (std::set<std::string> {"Linked.md", "Tallowin.md"}));
}

TEST_F(TallowinRepositoryRefusalTest, DeckFileOfAnotherUser)
{
    writeDeck(deckAt(3));
    ASSERT_EQ(::chmod(deckPath.c_str(), 0644), 0);
    ASSERT_EQ(::lchown(deckPath.c_str(), nobody, nobody), 0) << "the tests need to run as root";
    const std::string before = deckBytes();

    expectRefusedEverywhere(deckPath, deckPath, "it belongs to another user");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(statusOf(deckPath).st_uid, nobody);
    EXPECT_EQ(modeOf(deckPath), 0644);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryRefusalTest, DeckFolderThatIsALink)
{
    writeDeck(deckAt(3));
    const std::string before = deckBytes();
    fs::create_directory_symlink(folder.path("Decks"), folder.path("LinkedDecks"));

    expectRefusedEverywhere(
        folder.path("LinkedDecks/Tallowin.md"), folder.path("LinkedDecks"), "it is a symbolic link");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryRefusalTest, DeckFolderOfAnotherUser)
{
    writeDeck(deckAt(3));
    const std::string before = deckBytes();
    ASSERT_EQ(::lchown(folder.path("Decks").c_str(), nobody, nobody), 0) << "the tests need to run as root";

    expectRefusedEverywhere(deckPath, folder.path("Decks"), "it belongs to another user");
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

} // namespace
} // namespace tallowin
