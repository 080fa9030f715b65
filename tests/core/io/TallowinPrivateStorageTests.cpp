#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {
namespace {

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;

mode_t modeOf(const fs::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot inspect " + path.string());
    return status.st_mode & 07777;
}

void makeMode(const fs::path &path, mode_t mode)
{
    if (::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot chmod " + path.string());
}

void giveToNobody(const fs::path &path)
{
    if (::lchown(path.c_str(), nobody, nobody) != 0)
        throw std::runtime_error("cannot chown " + path.string() + " (the tests need to run as root)");
}

void expectRefused(const std::function<void()> &operation, const fs::path &path, const std::string &reason)
{
    if (const auto error = EXPECT_THROW_SENTENCE(
            TallowinFileError, "Tallowin cannot use " + path.string() + ": " + reason + ".", operation())) {
        EXPECT_EQ(error->path1(), path);
        EXPECT_EQ(error->code(), std::errc::permission_denied);
    }
}

TEST(TallowinPrivateStorageFile, MissingPathPassesAndCreatesNothing)
{
    test::TemporaryFolder folder;
    EXPECT_NO_THROW(TallowinPrivateStorage::protectFile(folder.path("missing.md")));
    EXPECT_NO_THROW(TallowinPrivateStorage::protectFile(folder.path("missing-folder/missing.md")));
    EXPECT_TRUE(fs::is_empty(folder.root()));
}

TEST(TallowinPrivateStorageFile, OwnFileBecomesOwnerReadWriteOnly)
{
    test::TemporaryFolder folder;
    for (mode_t before : {0644, 0000, 0777, 04600}) {
        folder.write("deck.md", "text");
        makeMode(folder.path("deck.md"), before);
        TallowinPrivateStorage::protectFile(folder.path("deck.md"));
        EXPECT_EQ(modeOf(folder.path("deck.md")), 0600) << std::oct << before;
    }
}

// Whether a change of the file's attributes was queued for a watcher since the watch began.
class AttributeWatch
{
public:
    explicit AttributeWatch(const fs::path &path)
        : m_descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_descriptor < 0 || ::inotify_add_watch(m_descriptor, path.c_str(), IN_ATTRIB) < 0)
            throw std::runtime_error("cannot watch " + path.string());
    }
    ~AttributeWatch() { ::close(m_descriptor); }
    AttributeWatch(const AttributeWatch &) = delete;
    AttributeWatch &operator=(const AttributeWatch &) = delete;

    // Events are queued by the call that causes them, so reading right after is enough.
    bool changed() const
    {
        alignas(inotify_event) char buffer[4096];
        return ::read(m_descriptor, buffer, sizeof buffer) > 0;
    }

private:
    int m_descriptor;
};

TEST(TallowinPrivateStorageFile, AlreadyPrivateFileIsNotTouched)
{
    // Every read protects the deck, and a needless chmod would wake every watcher of the file.
    test::TemporaryFolder folder;
    folder.write("deck.md", "text");
    makeMode(folder.path("deck.md"), 0600);
    AttributeWatch untouched(folder.path("deck.md"));
    TallowinPrivateStorage::protectFile(folder.path("deck.md"));
    EXPECT_FALSE(untouched.changed());

    makeMode(folder.path("deck.md"), 0640);
    AttributeWatch fixed(folder.path("deck.md"));
    TallowinPrivateStorage::protectFile(folder.path("deck.md"));
    EXPECT_TRUE(fixed.changed());
    EXPECT_EQ(modeOf(folder.path("deck.md")), 0600);
}

TEST(TallowinPrivateStorageFile, RefusesLinksForeignFilesAndFolders)
{
    test::TemporaryFolder folder;
    folder.write("target.md", "text");
    makeMode(folder.path("target.md"), 0644);

    fs::create_symlink(folder.path("target.md"), folder.path("link.md"));
    expectRefused([&] { TallowinPrivateStorage::protectFile(folder.path("link.md")); }, folder.path("link.md"),
        "it is a symbolic link");
    // A dangling link is still something at the path, not a missing file.
    fs::create_symlink(folder.path("nowhere.md"), folder.path("dangling.md"));
    expectRefused([&] { TallowinPrivateStorage::protectFile(folder.path("dangling.md")); }, folder.path("dangling.md"),
        "it is a symbolic link");
    EXPECT_EQ(modeOf(folder.path("target.md")), 0644) << "the link's target was changed";
    EXPECT_FALSE(fs::exists(folder.path("nowhere.md")));

    folder.write("foreign.md", "text");
    makeMode(folder.path("foreign.md"), 0644);
    giveToNobody(folder.path("foreign.md"));
    expectRefused([&] { TallowinPrivateStorage::protectFile(folder.path("foreign.md")); }, folder.path("foreign.md"),
        "it belongs to another user");
    EXPECT_EQ(modeOf(folder.path("foreign.md")), 0644);

    fs::create_directory(folder.path("folder.md"));
    expectRefused([&] { TallowinPrivateStorage::protectFile(folder.path("folder.md")); }, folder.path("folder.md"),
        "it is not a regular file");
}

TEST(TallowinPrivateStorageDirectory, CreatesNestedFoldersOwnerOnly)
{
    test::TemporaryFolder folder;
    TallowinPrivateStorage::prepareDirectory(folder.path("a/b/c"));
    for (const char *created : {"a", "a/b", "a/b/c"}) {
        ASSERT_TRUE(fs::is_directory(folder.path(created))) << created;
        EXPECT_EQ(modeOf(folder.path(created)), 0700) << created;
    }
}

TEST(TallowinPrivateStorageDirectory, ExistingFolderIsLeftAloneUntilProtected)
{
    test::TemporaryFolder folder;
    fs::create_directories(folder.path("shared/inner"));
    makeMode(folder.path("shared"), 0755);
    makeMode(folder.path("shared/inner"), 0750);

    TallowinPrivateStorage::prepareDirectory(folder.path("shared/inner"));
    EXPECT_EQ(modeOf(folder.path("shared")), 0755);
    EXPECT_EQ(modeOf(folder.path("shared/inner")), 0750);

    TallowinPrivateStorage::protectDirectory(folder.path("shared/inner"));
    EXPECT_EQ(modeOf(folder.path("shared")), 0755) << "only the folder itself is protected";
    EXPECT_EQ(modeOf(folder.path("shared/inner")), 0700);

    TallowinPrivateStorage::protectDirectory(folder.path("new/inner"));
    EXPECT_EQ(modeOf(folder.path("new/inner")), 0700);
}

TEST(TallowinPrivateStorageDirectory, RefusesLinksForeignFoldersAndFiles)
{
    test::TemporaryFolder folder;
    fs::create_directory(folder.path("target"));
    makeMode(folder.path("target"), 0755);
    fs::create_directory_symlink(folder.path("target"), folder.path("link"));
    for (const auto &operation : {&TallowinPrivateStorage::prepareDirectory, &TallowinPrivateStorage::protectDirectory})
        expectRefused([&] { operation(folder.path("link")); }, folder.path("link"), "it is a symbolic link");
    EXPECT_EQ(modeOf(folder.path("target")), 0755) << "the link's target was changed";

    fs::create_directory(folder.path("foreign"));
    makeMode(folder.path("foreign"), 0755);
    giveToNobody(folder.path("foreign"));
    expectRefused([&] { TallowinPrivateStorage::protectDirectory(folder.path("foreign")); }, folder.path("foreign"),
        "it belongs to another user");
    EXPECT_EQ(modeOf(folder.path("foreign")), 0755);

    folder.write("file", "text");
    expectRefused([&] { TallowinPrivateStorage::prepareDirectory(folder.path("file")); }, folder.path("file"),
        "it is not a folder");
    expectRefused(
        [&] { TallowinPrivateStorage::checkPath(folder.path("file"), TallowinPrivateStorage::EntryType::directory); },
        folder.path("file"), "it is not a folder");
}

TEST(TallowinPrivateStorageDirectory, FileInPlaceOfAParentFailsToCreate)
{
    test::TemporaryFolder folder;
    folder.write("file", "text");
    if (const auto error
        = THROWN_ERROR(TallowinFileError, TallowinPrivateStorage::prepareDirectory(folder.path("file/child")))) {
        EXPECT_EQ(error->code(), std::errc::not_a_directory);
        EXPECT_EQ(error->path1(), folder.path("file/child"));
    }
}

TEST(TallowinPrivateStorageCheck, MissingEntryCannotBeInspected)
{
    test::TemporaryFolder folder;
    const fs::path missing = folder.path("missing");
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinFileError,
            "Tallowin could not inspect " + missing.string() + ": No such file or directory.",
            TallowinPrivateStorage::checkPath(missing, TallowinPrivateStorage::EntryType::regularFile))) {
        EXPECT_EQ(error->code(), std::errc::no_such_file_or_directory);
        EXPECT_EQ(error->path1(), missing);
    }
}

TEST(TallowinPrivateStorageCheck, OwnEntriesOfTheExpectedTypePass)
{
    test::TemporaryFolder folder;
    folder.write("file", "text");
    EXPECT_NO_THROW(
        TallowinPrivateStorage::checkPath(folder.path("file"), TallowinPrivateStorage::EntryType::regularFile));
    EXPECT_NO_THROW(TallowinPrivateStorage::checkPath(folder.root(), TallowinPrivateStorage::EntryType::directory));
    expectRefused(
        [&] { TallowinPrivateStorage::checkPath(folder.root(), TallowinPrivateStorage::EntryType::regularFile); },
        folder.root(), "it is not a regular file");
}

} // namespace
} // namespace tallowin
