#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/settings/TallowinSettingsError.h"
#include "TallowinCore/settings/TallowinSettingsFile.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {
namespace {

namespace fs = std::filesystem;

const std::string defaultText = "schema_version = 1\n\n[scan]\nenabled = true\ninterval_hours = 1\n"
                                "initial_lookback_days = 30\nlookback_days = 7\nminimum_overlap_days = 3\n\n"
                                "[vip]\nnames = []\ntrack_activity = true\ntrack_comments = true\n"
                                "track_pushed_changes = true\n";

mode_t modeOf(const fs::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot inspect " + path.string());
    return status.st_mode & 07777;
}

TEST(TallowinSettingsFile, CreatesMissingFolderAndFileWithTheDefaults)
{
    test::TemporaryFolder folder;
    const fs::path file = folder.path("Application Support/Tallowin/Tallowin.toml");

    EXPECT_EQ(TallowinSettingsFile::loadOrCreate(file), TallowinSettings::defaults());
    EXPECT_EQ(folder.read("Application Support/Tallowin/Tallowin.toml"), defaultText);
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_EQ(modeOf(folder.path("Application Support")), 0700);
    EXPECT_EQ(modeOf(folder.path("Application Support/Tallowin")), 0700);
}

TEST(TallowinSettingsFile, ReadsAnExistingFileWithoutRewritingIt)
{
    test::TemporaryFolder folder;
    // Not the encoder's layout, with a comment and names that validation folds together.
    const std::string text = "# mine\n[vip]\nnames = [\"Ada \", \"ada\", \"Grace\"]\n[scan]\ninterval_hours = 6\n";
    folder.write("Tallowin.toml", text);
    ::chmod(folder.path("Tallowin.toml").c_str(), 0644);

    const TallowinSettings expected {1, true, 6, 30, 7, 3, {"Ada", "Grace"}, true, true, true};
    EXPECT_EQ(TallowinSettingsFile::loadOrCreate(folder.path("Tallowin.toml")), expected);
    EXPECT_EQ(folder.read("Tallowin.toml"), text);
    EXPECT_EQ(modeOf(folder.path("Tallowin.toml")), 0600);

    folder.write("Empty.toml", "");
    EXPECT_EQ(TallowinSettingsFile::loadOrCreate(folder.path("Empty.toml")), TallowinSettings::defaults());
    EXPECT_EQ(folder.read("Empty.toml"), "");
}

TEST(TallowinSettingsFile, InvalidFileFailsAndStaysAsItWas)
{
    test::TemporaryFolder folder;
    const std::string text = "schema_version = 1\n\n[scan]\nenabled = yes # oops\n";
    folder.write("Tallowin.toml", text);
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinSettingsError,
            TallowinSettingsError::invalidValue("scan.enabled must be true or false"),
            TallowinSettingsFile::loadOrCreate(folder.path("Tallowin.toml")))) {
        EXPECT_STREQ(error->what(), "Tallowin.toml has an invalid value: scan.enabled must be true or false.");
    }
    EXPECT_EQ(folder.read("Tallowin.toml"), text);
}

TEST(TallowinSettingsFile, TextThatIsNotUTF8IsAReadError)
{
    test::TemporaryFolder folder;
    const std::string text = "[vip]\nnames = [\"Zo\xeb\"]\n";
    folder.write("Tallowin.toml", text);
    if (const auto error
        = THROWN_ERROR(TallowinFileError, TallowinSettingsFile::loadOrCreate(folder.path("Tallowin.toml")))) {
        EXPECT_EQ(error->code(), std::errc::illegal_byte_sequence);
        EXPECT_EQ(error->path1(), folder.path("Tallowin.toml"));
    }
    EXPECT_EQ(folder.read("Tallowin.toml"), text);
}

TEST(TallowinSettingsFile, RefusesLinksForeignFilesAndAFileInPlaceOfTheFolder)
{
    test::TemporaryFolder folder;
    folder.write("elsewhere.toml", "schema_version = 1\n");
    ::chmod(folder.path("elsewhere.toml").c_str(), 0644);
    fs::create_symlink(folder.path("elsewhere.toml"), folder.path("Tallowin.toml"));
    EXPECT_THROW(TallowinSettingsFile::loadOrCreate(folder.path("Tallowin.toml")), TallowinFileError);
    EXPECT_EQ(modeOf(folder.path("elsewhere.toml")), 0644);

    // A link to nowhere must not lead to a file being created at its target.
    fs::create_symlink(folder.path("nowhere.toml"), folder.path("Dangling.toml"));
    EXPECT_THROW(TallowinSettingsFile::loadOrCreate(folder.path("Dangling.toml")), TallowinFileError);
    EXPECT_FALSE(fs::exists(folder.path("nowhere.toml")));

    folder.write("Foreign.toml", "schema_version = 1\n");
    ASSERT_EQ(::chown(folder.path("Foreign.toml").c_str(), 65534, 65534), 0) << "the tests need to run as root";
    EXPECT_THROW_SENTENCE(TallowinFileError,
        "Tallowin cannot use " + folder.path("Foreign.toml").string() + ": it belongs to another user.",
        TallowinSettingsFile::loadOrCreate(folder.path("Foreign.toml")));

    folder.write("NotAFolder", "");
    EXPECT_THROW_SENTENCE(TallowinFileError,
        "Tallowin cannot use " + folder.path("NotAFolder").string() + ": it is not a folder.",
        TallowinSettingsFile::loadOrCreate(folder.path("NotAFolder/Tallowin.toml")));
    EXPECT_EQ(folder.read("NotAFolder"), "");
}

} // namespace
} // namespace tallowin
