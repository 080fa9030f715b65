#include "Tallowin/store/CanonicalStorageLocation.h"

#include "TallowinCore/io/TallowinFileError.h"
#include "tests/app/support/AppTestSupport.h"
#include "tests/support/TemporaryFolder.h"

#include <QTest>

#include <sys/stat.h>

using namespace tallowin;
using namespace tallowin::test;

namespace {

mode_t modeOf(const std::filesystem::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        return 0;
    return status.st_mode & 07777;
}

QByteArray bytesOf(const std::filesystem::path &path)
{
    return QByteArray::fromStdString(path.native());
}

} // namespace

class CanonicalStorageLocationTests : public QObject
{
    Q_OBJECT

private slots:
    void createsTheOwnerOnlyFolderButNotTheDeck()
    {
        TemporaryFolder folder;
        const ScopedEnvironmentVariable dataHome("XDG_DATA_HOME", bytesOf(folder.path("data")));

        const std::filesystem::path deck = CanonicalStorageLocation::defaultDeckFile();
        QCOMPARE(deck, folder.path("data/Tallowin/Tallowin.md"));
        QVERIFY(std::filesystem::is_directory(folder.path("data/Tallowin")));
        QCOMPARE(modeOf(folder.path("data/Tallowin")), mode_t(0700));
        QVERIFY(!std::filesystem::exists(deck));
    }

    void restrictsAnExistingFolderAndLeavesItsFilesAlone()
    {
        TemporaryFolder folder;
        const ScopedEnvironmentVariable dataHome("XDG_DATA_HOME", bytesOf(folder.path("data")));
        folder.write("data/Tallowin/Tallowin.md", "kept");
        std::filesystem::permissions(folder.path("data/Tallowin"), std::filesystem::perms(0755));

        const std::filesystem::path deck = CanonicalStorageLocation::defaultDeckFile();
        QCOMPARE(modeOf(folder.path("data/Tallowin")), mode_t(0700));
        QCOMPARE(folder.read("data/Tallowin/Tallowin.md"), std::string("kept"));
        QCOMPARE(deck, folder.path("data/Tallowin/Tallowin.md"));
    }

    void refusesAFolderThatIsASymbolicLink()
    {
        TemporaryFolder folder;
        const ScopedEnvironmentVariable dataHome("XDG_DATA_HOME", bytesOf(folder.path("data")));
        std::filesystem::create_directories(folder.path("elsewhere"));
        std::filesystem::permissions(folder.path("elsewhere"), std::filesystem::perms(0755));
        std::filesystem::create_directories(folder.path("data"));
        std::filesystem::create_directory_symlink(folder.path("elsewhere"), folder.path("data/Tallowin"));

        try {
            CanonicalStorageLocation::defaultDeckFile();
            QFAIL("a linked folder was accepted");
        } catch (const TallowinFileError &error) {
            const std::string expected
                = "Tallowin cannot use " + folder.path("data/Tallowin").string() + ": it is a symbolic link.";
            QCOMPARE(std::string(error.what()), expected);
        }
        // Nothing is changed through the link.
        QCOMPARE(modeOf(folder.path("elsewhere")), mode_t(0755));
    }

    void refusesAFileWhereTheFolderBelongs()
    {
        TemporaryFolder folder;
        const ScopedEnvironmentVariable dataHome("XDG_DATA_HOME", bytesOf(folder.path("data")));
        folder.write("data/Tallowin", "not a folder");
        try {
            CanonicalStorageLocation::defaultDeckFile();
            QFAIL("a file was taken for the folder");
        } catch (const TallowinFileError &error) {
            const std::string expected
                = "Tallowin cannot use " + folder.path("data/Tallowin").string() + ": it is not a folder.";
            QCOMPARE(std::string(error.what()), expected);
        }
    }
};

QTEST_MAIN(CanonicalStorageLocationTests)
#include "CanonicalStorageLocationTests.moc"
