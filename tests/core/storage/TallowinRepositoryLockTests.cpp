#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/WorkflowChecks.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <optional>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tallowin {
namespace {

using test::entriesOf;
using test::exitedProcessID;

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;
constexpr const char *busy = "Tallowin is being updated by another writer. Reload and retry.";

TallowinDocument deckAt(std::int64_t revision)
{
    TallowinDocument deck = test::makeDocument({test::makeTask("KB-001")});
    deck.revision = revision;
    return deck;
}

TallowinDocument nextOf(const TallowinDocument &base)
{
    TallowinDocument next = base;
    next.revision = base.revision + 1;
    next.tasks.front().title = "Revision " + std::to_string(next.revision);
    return next;
}

// An open descriptor with an flock on the lock file, standing in for a holder in another process.
class ForeignHolder
{
public:
    explicit ForeignHolder(const fs::path &path)
        : m_descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (m_descriptor < 0 || ::flock(m_descriptor, LOCK_EX | LOCK_NB) != 0)
            throw std::runtime_error("cannot hold " + path.string());
    }
    ~ForeignHolder() { ::close(m_descriptor); }
    ForeignHolder(const ForeignHolder &) = delete;
    ForeignHolder &operator=(const ForeignHolder &) = delete;

private:
    int m_descriptor;
};

class TallowinRepositoryLockTest : public ::testing::Test
{
protected:
    void SetUp() override { folder.write("Decks/Tallowin.md", TaskMarkdownCodec::encode(deckAt(1))); }

    void plantLock(const std::string &content) const { folder.write("Decks/Tallowin.md.lock", content); }
    // Moves the lock file's modification time a minute past the grace period into the past.
    void ageLock() const
    {
        const auto old
            = std::chrono::system_clock::now() - TallowinRepository::emptyLockGracePeriod - std::chrono::minutes(1);
        const timespec time = {std::chrono::system_clock::to_time_t(old), 0};
        const timespec times[2] = {time, time};
        ASSERT_EQ(::utimensat(AT_FDCWD, lockPath.c_str(), times, 0), 0);
    }

    // Saves revision 2 over revision 1 and expects writerBusy with the lock file and the deck untouched.
    void expectBusy(const std::string &lockContent)
    {
        const std::string deckBefore = folder.read("Decks/Tallowin.md");
        if (const auto error = EXPECT_THROW_SENTENCE(TallowinRepositoryError, TallowinRepositoryError::writerBusy(),
                repository.save(nextOf(deckAt(1)), 1))) {
            EXPECT_STREQ(error->what(), busy);
        }
        EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), lockContent);
        EXPECT_EQ(folder.read("Decks/Tallowin.md"), deckBefore);
    }

    void expectSaved()
    {
        EXPECT_EQ(repository.save(nextOf(deckAt(1)), 1), nextOf(deckAt(1)));
        EXPECT_EQ(repository.load(), nextOf(deckAt(1)));
        EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
    }

    test::TemporaryFolder folder;
    const fs::path lockPath = folder.path("Decks/Tallowin.md.lock");
    TallowinRepository repository {folder.path("Decks/Tallowin.md")};
};

TEST_F(TallowinRepositoryLockTest, LockOfAnExitedProcessIsRemoved)
{
    const std::string dead = std::to_string(exitedProcessID());
    for (const std::string &content : {dead, dead + "\n", "  " + dead + " \r\n"}) {
        SCOPED_TRACE(content);
        SetUp();
        plantLock(content);
        expectSaved();
    }
}

// A writer that died after creating the lock file and before writing its ID leaves an empty file; one that is
// still between the two, without an flock, leaves the same file for a moment. Its age against the lock clock tells
// them apart.
TEST_F(TallowinRepositoryLockTest, EmptyLockFileIsBusyWhileYoungAndRemovedOnceOld)
{
    const TallowinInstant now = test::instantAt("2026-03-14T09:26:53.589Z");
    const auto grace = std::chrono::duration_cast<std::chrono::milliseconds>(TallowinRepository::emptyLockGracePeriod);
    using std::chrono::milliseconds;
    const std::vector<std::pair<milliseconds, bool>> ages = {{milliseconds(0), true}, {grace - milliseconds(100), true},
        {-grace + milliseconds(100), true}, {grace + milliseconds(100), false}, {-grace - milliseconds(100), false},
        {std::chrono::hours(24 * 365), false}};
    for (const auto &[age, busy] : ages) {
        SCOPED_TRACE(std::to_string(age.count()) + " ms old");
        SetUp();
        plantLock("");
        const auto modified = now - age;
        const auto seconds = std::chrono::floor<std::chrono::seconds>(modified);
        const timespec times[2] = {{seconds.time_since_epoch().count(), 0},
            {seconds.time_since_epoch().count(), long(std::chrono::nanoseconds(modified - seconds).count())}};
        ASSERT_EQ(::utimensat(AT_FDCWD, lockPath.c_str(), times, 0), 0);
        TallowinRepository clocked(
            folder.path("Decks/Tallowin.md"), &TallowinClock::current, nullptr, [now] { return now; });
        if (busy) {
            EXPECT_THROW_SENTENCE(
                TallowinRepositoryError, TallowinRepositoryError::writerBusy(), clocked.save(nextOf(deckAt(1)), 1));
            EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), "");
            EXPECT_EQ(clocked.load(), deckAt(1));
        } else {
            clocked.save(nextOf(deckAt(1)), 1);
            EXPECT_EQ(clocked.load(), nextOf(deckAt(1)));
            EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
        }
    }
}

TEST_F(TallowinRepositoryLockTest, LiveOrUnreadableLockMakesTheSaveBusy)
{
    for (const std::string &content : {std::to_string(::getpid()), std::to_string(::getppid()), std::string("1"),
             std::string("abc"), std::string("12abc"), std::string("-5"), std::string("0"), std::string(" \n"),
             std::string("99999999999999999999999"), std::string(40, '7')}) {
        SCOPED_TRACE(content);
        plantLock(content);
        expectBusy(content);
    }
}

// The flock tells a live holder apart whatever its file says: the ID may have been reused or may come
// from another PID namespace, and a holder may not have written it yet.
TEST_F(TallowinRepositoryLockTest, HeldFlockMakesTheSaveBusyWhateverTheFileSays)
{
    for (const std::string &content : {std::to_string(exitedProcessID()), std::string()}) {
        SCOPED_TRACE(content);
        plantLock(content);
        // Old enough that, once the flock is gone, the empty file is a leftover rather than a writer at work.
        ageLock();
        {
            const ForeignHolder holder(lockPath);
            expectBusy(content);
        }
        expectSaved();
        SetUp();
    }
}

// Runs a probe in the middle of the write, while the repository holds the lock.
class ProbingFileOperations : public TallowinFileOperations
{
public:
    explicit ProbingFileOperations(std::function<void()> probe)
        : m_probe(std::move(probe))
    { }
    std::error_code writeAll(int descriptor, std::span<const std::string_view> pieces) override
    {
        m_probe();
        return TallowinFileOperations::writeAll(descriptor, pieces);
    }

private:
    std::function<void()> m_probe;
};

TEST_F(TallowinRepositoryLockTest, HolderKeepsAnOwnerOnlyLockFileWithItsIDAndFlock)
{
    std::optional<std::string> content;
    mode_t mode = 0;
    int flockError = 0;
    std::string secondWriter;
    const fs::path deckPath = folder.path("Decks/Tallowin.md");
    auto probe = [&] {
        content = folder.read("Decks/Tallowin.md.lock");
        struct stat status = {};
        ::lstat(lockPath.c_str(), &status);
        mode = status.st_mode & 07777;
        const int descriptor = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0)
            flockError = errno;
        ::close(descriptor);
        // Another repository in this process is a writer like any other.
        try {
            TallowinRepository(deckPath).save(nextOf(deckAt(1)), 1);
            secondWriter = "saved";
        } catch (const std::exception &error) {
            secondWriter = error.what();
        }
    };
    TallowinRepository probed(deckPath, &TallowinClock::current, std::make_shared<ProbingFileOperations>(probe));

    probed.save(nextOf(deckAt(1)), 1);
    EXPECT_EQ(content, std::to_string(::getpid()));
    EXPECT_EQ(mode, 0600);
    EXPECT_EQ(flockError, EWOULDBLOCK);
    EXPECT_EQ(secondWriter, busy);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinRepositoryLockTest, LockPathThatIsNotTheUsersOwnFileIsRefused)
{
    const auto expectRefused = [&](const std::string &reason) {
        if (const auto error
            = EXPECT_THROW_SENTENCE(TallowinFileError, "Tallowin cannot use " + lockPath.string() + ": " + reason + ".",
                repository.save(nextOf(deckAt(1)), 1))) {
            EXPECT_EQ(error->path1(), lockPath);
        }
        EXPECT_EQ(repository.load(), deckAt(1));
    };

    // A link to a stale-looking file must not get that file deleted.
    folder.write("Elsewhere/target", std::to_string(exitedProcessID()));
    fs::create_symlink(folder.path("Elsewhere/target"), lockPath);
    expectRefused("it is a symbolic link");
    EXPECT_TRUE(fs::is_symlink(lockPath));
    EXPECT_TRUE(fs::exists(folder.path("Elsewhere/target")));
    fs::remove(lockPath);

    plantLock(std::to_string(exitedProcessID()));
    ASSERT_EQ(::lchown(lockPath.c_str(), nobody, nobody), 0) << "the tests need to run as root";
    expectRefused("it belongs to another user");
    EXPECT_TRUE(fs::exists(lockPath));
    fs::remove(lockPath);

    fs::create_directory(lockPath);
    expectRefused("it is not a regular file");
    EXPECT_TRUE(fs::is_directory(lockPath));
}

// Makes a folder immutable (even for root) for as long as it lives, where the file system allows it.
class ImmutableFolder
{
public:
    explicit ImmutableFolder(const fs::path &path)
        : m_descriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_descriptor >= 0 && ::ioctl(m_descriptor, FS_IOC_GETFLAGS, &m_flags) == 0) {
            int immutable = m_flags | FS_IMMUTABLE_FL;
            m_applied = ::ioctl(m_descriptor, FS_IOC_SETFLAGS, &immutable) == 0;
        }
    }
    ~ImmutableFolder()
    {
        if (m_applied)
            ::ioctl(m_descriptor, FS_IOC_SETFLAGS, &m_flags);
        ::close(m_descriptor);
    }
    ImmutableFolder(const ImmutableFolder &) = delete;
    ImmutableFolder &operator=(const ImmutableFolder &) = delete;
    bool applied() const { return m_applied; }

private:
    int m_descriptor;
    int m_flags = 0;
    bool m_applied = false;
};

// A stale lock that cannot be removed ends the attempt with an error instead of an endless retry.
TEST_F(TallowinRepositoryLockTest, StaleLockThatCannotBeRemovedIsAnErrorNamingIt)
{
    plantLock(std::to_string(exitedProcessID()));
    const ImmutableFolder frozen(folder.path("Decks"));
    if (!frozen.applied())
        GTEST_SKIP() << "the file system or the process cannot make a folder immutable";
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinFileError,
            "Tallowin could not remove " + lockPath.string() + ": Operation not permitted.",
            repository.save(nextOf(deckAt(1)), 1))) {
        EXPECT_EQ(error->path1(), lockPath);
        EXPECT_EQ(error->code(), std::errc::operation_not_permitted);
    }
    EXPECT_EQ(repository.load(), deckAt(1));
}

TEST_F(TallowinRepositoryLockTest, LockFileThatCannotBeCreatedIsAWriteErrorNamingIt)
{
    // Names of up to 255 bytes are fine, the lock file's and the temporary file's included.
    const std::string longestLockable(255 - 5, 'd');
    folder.write("Decks/" + longestLockable, TaskMarkdownCodec::encode(deckAt(1)));
    EXPECT_EQ(
        TallowinRepository(folder.path("Decks/" + longestLockable)).save(nextOf(deckAt(1)), 1), nextOf(deckAt(1)));

    // One more byte and the lock file's name is too long.
    const std::string longName(255 - 4, 'd');
    folder.write("Decks/" + longName, TaskMarkdownCodec::encode(deckAt(1)));
    TallowinRepository longNamed(folder.path("Decks/" + longName));
    const fs::path longLock = longNamed.lockPath();
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinFileError,
            "Tallowin could not create " + longLock.string() + ": File name too long.",
            longNamed.save(nextOf(deckAt(1)), 1))) {
        EXPECT_EQ(error->path1(), longLock);
        EXPECT_EQ(error->code(), std::errc::filename_too_long);
    }
    EXPECT_EQ(longNamed.load(), deckAt(1));
}

} // namespace
} // namespace tallowin
