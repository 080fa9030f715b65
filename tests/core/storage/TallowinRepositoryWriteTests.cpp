#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FailingFileOperations.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace tallowin {
namespace {

using test::entriesOf;

namespace fs = std::filesystem;
using Step = test::FailingFileOperations::Step;

constexpr const char *clockText = "2026-03-14T09:26:53.589Z";
const std::set<std::string> deckOnly = {"Tallowin.md"};

TallowinDocument deckAt(std::int64_t revision)
{
    TallowinDocument deck = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
    deck.revision = revision;
    return deck;
}

// The change most tests make: the first card retitled, in the deck it was given.
TallowinRepository::Change retitling(const std::string &title)
{
    return [title](TallowinDocument &&current) -> std::optional<TallowinDocument> {
        current.tasks.front().title = title;
        return std::move(current);
    };
}

class TallowinRepositoryUpdateTest : public ::testing::Test
{
protected:
    void writeDeck(const TallowinDocument &deck) const
    {
        folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deck));
    }
    std::string deckBytes() const { return folder.read("Decks/Tallowin.md"); }

    // Another program that ignores the lock replaces the deck, the way an atomic writer does.
    void replaceBehindTheLock(const TallowinDocument &deck) const
    {
        folder.write("Decks/foreign.tmp", TaskMarkdownCodec::encode(deck));
        fs::rename(folder.path("Decks/foreign.tmp"), deckPath);
    }

    test::TemporaryFolder folder;
    const fs::path deckPath = folder.path("Decks/Tallowin.md");
    std::shared_ptr<test::FailingFileOperations> operations = std::make_shared<test::FailingFileOperations>();
    TallowinRepository repository {deckPath, [] { return test::instantAt(clockText); }, operations};
};

TEST_F(TallowinRepositoryUpdateTest, StoresTheChangeWithTheNextRevisionAndTheClocksTime)
{
    writeDeck(deckAt(4));
    ASSERT_EQ(::chmod(deckPath.c_str(), 0644), 0);
    std::optional<TallowinDocument> given;
    const auto stored = repository.update([&](TallowinDocument &&current) -> std::optional<TallowinDocument> {
        given = current;
        // The lock is ours while the change is computed.
        EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), std::to_string(::getpid()));
        return retitling("Renamed")(std::move(current));
    });

    EXPECT_EQ(given, deckAt(4)) << "the change starts from the deck on disk";
    TallowinDocument expected = deckAt(4);
    expected.tasks.front().title = "Renamed";
    expected.revision = 5;
    expected.updatedAt = clockText;
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(deckBytes(), TaskMarkdownCodec::encode(expected));
    struct stat status = {};
    ASSERT_EQ(::lstat(deckPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
    EXPECT_EQ(operations->steps(),
        (std::vector<Step> {
            Step::createExclusive, Step::writeAll, Step::syncFile, Step::close, Step::rename, Step::syncDirectory}))
        << "replaced atomically and durably, like every write";
}

TEST_F(TallowinRepositoryUpdateTest, NoChangeWritesNothing)
{
    writeDeck(deckAt(4));
    const std::string before = deckBytes();
    EXPECT_EQ(repository.update([](TallowinDocument &&) -> std::optional<TallowinDocument> { return std::nullopt; }),
        std::nullopt);
    EXPECT_EQ(deckBytes(), before);
    EXPECT_TRUE(operations->steps().empty());
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
}

TEST_F(TallowinRepositoryUpdateTest, ExpectedRevisionIsCheckedBeforeTheChange)
{
    writeDeck(deckAt(5));
    const std::string before = deckBytes();
    bool changed = false;
    if (const auto error
        = EXPECT_THROW_SENTENCE(TallowinRepositoryError, TallowinRepositoryError::revisionConflict(4, 5),
            repository.update(
                [&](TallowinDocument &&current) -> std::optional<TallowinDocument> {
                    changed = true;
                    return std::move(current);
                },
                4))) {
        EXPECT_STREQ(
            error->what(), "The Tallowin file changed from revision 4 to 5. Reload it before making another change.");
    }
    EXPECT_FALSE(changed);
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);

    EXPECT_EQ(repository.update(retitling("Expected"), 5)->revision, 6);
}

// The lock keeps out every writer of ours; one that ignores it and raises the revision is not overwritten.
TEST_F(TallowinRepositoryUpdateTest, WriterThatIgnoredTheLockIsNotOverwritten)
{
    writeDeck(deckAt(4));
    TallowinDocument foreign = deckAt(5);
    foreign.title = "Written by someone else";
    const TallowinRepository::Change change = retitling("Mine");
    EXPECT_THROW_SENTENCE(TallowinRepositoryError, TallowinRepositoryError::revisionConflict(4, 5),
        repository.update([&](TallowinDocument &&current) {
            replaceBehindTheLock(foreign);
            return change(std::move(current));
        }));
    EXPECT_EQ(deckBytes(), TaskMarkdownCodec::encode(foreign));
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);

    // Only the revision counts, as for save(): a rewrite at the same revision is replaced.
    TallowinDocument sameRevision = deckAt(5);
    sameRevision.title = "Rewritten";
    const auto stored = repository.update([&](TallowinDocument &&current) {
        replaceBehindTheLock(sameRevision);
        return change(std::move(current));
    });
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->revision, 6);
    EXPECT_EQ(stored->title, foreign.title);
    EXPECT_EQ(deckBytes(), TaskMarkdownCodec::encode(*stored));
}

TEST_F(TallowinRepositoryUpdateTest, FailuresLeaveTheFileAsItWasAndNoLock)
{
    writeDeck(deckAt(2));
    const std::string before = deckBytes();

    EXPECT_THROW_SENTENCE(TallowinValidationError, TallowinValidationError::duplicateTaskID("KB-001"),
        repository.update([](TallowinDocument &&current) -> std::optional<TallowinDocument> {
            current.tasks.push_back(current.tasks.front());
            return std::move(current);
        }));
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);

    EXPECT_THROW(repository.update([](TallowinDocument &&) -> std::optional<TallowinDocument> {
        throw std::runtime_error("the change failed");
    }),
        std::runtime_error);
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
    EXPECT_TRUE(operations->steps().empty());

    fs::remove(deckPath);
    if (const auto error = THROWN_ERROR(TallowinFileError, repository.update(retitling("Nowhere")))) {
        EXPECT_EQ(error->code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_TRUE(fs::is_empty(folder.path("Decks"))) << "no deck is created and no lock is left";
}

TEST_F(TallowinRepositoryUpdateTest, LiveWriterMakesItBusyBeforeAnythingIsRead)
{
    writeDeck(deckAt(2));
    const std::string before = deckBytes();
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getppid()));
    bool changed = false;
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinRepositoryError, TallowinRepositoryError::writerBusy(),
            repository.update([&](TallowinDocument &&current) -> std::optional<TallowinDocument> {
                changed = true;
                return std::move(current);
            }))) {
        EXPECT_STREQ(error->what(), "Tallowin is being updated by another writer. Reload and retry.");
    }
    EXPECT_FALSE(changed);
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), std::to_string(::getppid()));
}

class TallowinRepositoryUpdateFailingStepTest : public TallowinRepositoryUpdateTest,
                                                public ::testing::WithParamInterface<Step>
{ };

// A write that fails at any step leaves the old deck byte for byte (or, once renamed, the new one whole),
// no temporary file and no lock; the same change then goes through.
TEST_P(TallowinRepositoryUpdateFailingStepTest, FailedWriteLeavesTheOldDeckOrTheNewOneWhole)
{
    const Step step = GetParam();
    writeDeck(deckAt(3));
    const std::string before = deckBytes();
    operations->failCall(step, 1, std::errc::no_space_on_device);

    if (const auto error = THROWN_ERROR(TallowinFileError, repository.update(retitling("Changed")))) {
        EXPECT_EQ(error->path1(), deckPath);
        EXPECT_EQ(error->code(), std::errc::no_space_on_device);
    }
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
    if (step == Step::syncDirectory) {
        EXPECT_EQ(repository.load().revision, 4);
        return;
    }
    EXPECT_EQ(deckBytes(), before);
    EXPECT_EQ(repository.update(retitling("Changed"))->revision, 4);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, TallowinRepositoryUpdateFailingStepTest,
    ::testing::Values(
        Step::createExclusive, Step::writeAll, Step::syncFile, Step::close, Step::rename, Step::syncDirectory),
    [](const auto &info) { return std::string(test::stepName(info.param)); });

} // namespace
} // namespace tallowin

namespace tallowin {
namespace {

// The front door's revision check: a file left as this repository last saw it is not read again, and every way
// another program can change it in between is still caught.
class TallowinRepositoryWriteTest : public TallowinRepositoryUpdateTest
{ };

TEST_F(TallowinRepositoryWriteTest, SavesAfterALoadOrASaveDoNotReadTheFileAgain)
{
    writeDeck(deckAt(4));
    repository.load();
    ASSERT_EQ(repository.fileReads(), 1u);
    TallowinDocument next = deckAt(5);
    next.tasks.front().title = "Second";
    repository.save(next, 4);
    next.revision = 6;
    repository.save(next, 5);
    EXPECT_EQ(repository.fileReads(), 1u);
    EXPECT_EQ(TaskMarkdownCodec::decode(deckBytes()), next);
    // Another repository on the same file knows nothing of it: its save reads the revision from the file.
    TallowinRepository other(deckPath, [] { return test::instantAt(clockText); });
    next.revision = 7;
    other.save(next, 6);
    EXPECT_EQ(other.fileReads(), 1u);
    // ... and this one, whose file has been replaced since, reads it too and finds the conflict.
    EXPECT_THROW_SENTENCE(
        TallowinRepositoryError, TallowinRepositoryError::revisionConflict(6, 7), repository.save(next, 6));
    EXPECT_EQ(repository.fileReads(), 2u);
}

TEST_F(TallowinRepositoryWriteTest, EveryForeignChangeBetweenLoadAndSaveIsCaught)
{
    // Each rewrites the deck at revision 5 so that its size stays as it was, and puts the old times back where a
    // program can: none of it may pass for the file this repository read.
    const std::vector<std::pair<std::string, std::function<void(const fs::path &, const std::string &)>>> writers
        = {{"replaced",
               [](const fs::path &deck, const std::string &text) {
                   std::ofstream(deck.string() + ".new", std::ios::binary) << text;
                   fs::rename(deck.string() + ".new", deck);
               }},
            {"rewritten in place", [](const fs::path &deck, const std::string &text) {
                 std::ofstream(deck, std::ios::binary | std::ios::in | std::ios::out) << text;
             }}};
    for (const auto &[name, rewrite] : writers) {
        SCOPED_TRACE(name);
        writeDeck(deckAt(4));
        const TallowinDocument loaded = repository.load();
        struct stat before = {};
        ASSERT_EQ(::stat(deckPath.c_str(), &before), 0);
        const std::string foreign = TaskMarkdownCodec::encode(deckAt(5));
        ASSERT_EQ(foreign.size(), std::size_t(before.st_size));
        rewrite(deckPath, foreign);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, deckPath.c_str(), times, 0), 0);

        EXPECT_THROW_SENTENCE(
            TallowinRepositoryError, TallowinRepositoryError::revisionConflict(4, 5), repository.save(deckAt(5), 4));
        EXPECT_EQ(deckBytes(), foreign);
    }
}

TEST_F(TallowinRepositoryWriteTest, AWholeDeckIsStoredAsGivenAndAChangeFromTheDeckOnDisk)
{
    writeDeck(deckAt(4));
    TallowinDocument given = deckAt(9);
    TallowinRepository::Write whole;
    whole.expectedRevision = 4;
    whole.document = &given;
    const TallowinRepository::Written wroteWhole = repository.write(whole);
    EXPECT_TRUE(wroteWhole.stored);
    EXPECT_FALSE(wroteWhole.document) << "the caller keeps the deck it gave";
    EXPECT_EQ(TaskMarkdownCodec::decode(deckBytes()), given);

    TallowinRepository::Write change;
    change.change = retitling("From disk");
    change.returnsStored = false;
    const TallowinRepository::Written wroteChange = repository.write(change);
    EXPECT_TRUE(wroteChange.stored);
    EXPECT_FALSE(wroteChange.document);
    const TallowinDocument stored = TaskMarkdownCodec::decode(deckBytes());
    EXPECT_EQ(stored.tasks.front().title, "From disk");
    EXPECT_EQ(stored.revision, 9) << "a change stores the revision it sets";
    EXPECT_EQ(entriesOf(folder.path("Decks")), deckOnly);
}

TEST_F(TallowinRepositoryWriteTest, BackupsKeepTheReplacedDeckAndAMissingFileStartsFromWhenMissing)
{
    TallowinRepository::Write request;
    request.whenMissing = [] { return deckAt(0); };
    request.backupFolder = "Kept";
    request.change = [](TallowinDocument &&onDisk) -> std::optional<TallowinDocument> {
        onDisk.revision += 1;
        return std::move(onDisk);
    };
    const TallowinRepository::Written created = repository.write(request);
    EXPECT_FALSE(created.backupPath) << "no file, nothing to keep";
    EXPECT_EQ(TaskMarkdownCodec::decode(deckBytes()).revision, 1);

    const std::string before = deckBytes();
    const TallowinRepository::Written replaced = repository.write(request);
    ASSERT_TRUE(replaced.backupPath);
    EXPECT_EQ(replaced.backupPath->parent_path(), folder.path("Decks/Kept"));
    EXPECT_TRUE(replaced.backupPath->filename().string().starts_with("Tallowin-1-"));
    EXPECT_EQ(folder.read("Decks/Kept/" + replaced.backupPath->filename().string()), before);
    EXPECT_EQ(TaskMarkdownCodec::decode(deckBytes()).revision, 2);
}

} // namespace
} // namespace tallowin
