#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/sync/TallowinSyncCheckpoint.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FailingFileOperations.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tallowin {
namespace {

mode_t modeOf(const std::filesystem::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot inspect " + path.string());
    return status.st_mode & 07777;
}

TallowinSyncCheckpoint sampleCheckpoint()
{
    TaskItem task = test::makeTask("KB-001");
    task.sources.push_back(TaskSource {"Thread", "https://example.com/a/b", std::nullopt, std::nullopt, std::nullopt});
    return TallowinSyncCheckpoint {"user/one", test::makeDocument({task})};
}

TEST(TallowinSyncCheckpointTest, EncodesCompactWithEscapedSlashesAndOmitsAbsentDocument)
{
    EXPECT_EQ(TallowinSyncCheckpoint::encode({"a/b", std::nullopt}), R"({"accountID":"a\/b"})");

    const std::string json = TallowinSyncCheckpoint::encode(sampleCheckpoint());
    EXPECT_TRUE(json.starts_with(R"({"accountID":"user\/one","document":{)")) << json;
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_NE(json.find(R"(https:\/\/example.com\/a\/b)"), std::string::npos);
}

TEST(TallowinSyncCheckpointTest, DecodesWhatItEncodesAndIgnoresOtherKeys)
{
    const TallowinSyncCheckpoint checkpoint = sampleCheckpoint();
    EXPECT_EQ(TallowinSyncCheckpoint::decode(TallowinSyncCheckpoint::encode(checkpoint)), checkpoint);

    const TallowinSyncCheckpoint bare = TallowinSyncCheckpoint::decode(R"({"extra":[1,{"x":2}],"accountID":"me"})");
    EXPECT_EQ(bare, (TallowinSyncCheckpoint {"me", std::nullopt}));
    EXPECT_EQ(TallowinSyncCheckpoint::decode(R"({"document":null,"accountID":"me"})").document, std::nullopt);
}

TEST(TallowinSyncCheckpointTest, RefusesCheckpointsThatDoNotFit)
{
    EXPECT_THROW_SENTENCE(
        JsonReadError, JsonReadError::missingKey("accountID"), TallowinSyncCheckpoint::decode(R"({"document":null})"));
    EXPECT_THROW_SENTENCE(JsonReadError, "Tallowin data key accountID must be a string.",
        TallowinSyncCheckpoint::decode(R"({"accountID":7})"));
    EXPECT_THROW_SENTENCE(JsonReadError, "Tallowin data key document must be an object.",
        TallowinSyncCheckpoint::decode(R"({"accountID":"me","document":[]})"));
    EXPECT_THROW(TallowinSyncCheckpoint::decode("[]"), JsonReadError);
    EXPECT_THROW(TallowinSyncCheckpoint::decode(R"({"accountID":"me","document":{"title":"x"}})"), JsonReadError);
}

TEST(TallowinSyncCheckpointTest, RefusesTextThatIsNotJsonThroughout)
{
    const std::string encoded = TallowinSyncCheckpoint::encode(sampleCheckpoint());
    const std::string withoutEnd = encoded.substr(0, encoded.size() - 1);
    // Each of these reads the values it needs; what is wrong lies where a reader on demand does not look.
    for (const std::string &text : {std::string(R"({"accountID":"me"} {"accountID":"other"})"),
             std::string(R"({"accountID":"me"}})"), std::string(R"({"accountID":"me","x":tru})"),
             std::string(R"({"x":{"a":},"accountID":"me"})"), withoutEnd + R"(,"later":[nul]})", encoded + "}"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW_SENTENCE(JsonReadError, JsonReadError::malformed("the checkpoint is not valid JSON"),
            TallowinSyncCheckpoint::decode(text));
    }
    EXPECT_EQ(TallowinSyncCheckpoint::decode(withoutEnd + R"(,"later":[null,{"a":true}]})"), sampleCheckpoint());
    // A key given twice is read as it was given last.
    EXPECT_EQ(TallowinSyncCheckpoint::decode(withoutEnd + R"(,"document":null})"),
        (TallowinSyncCheckpoint {"user/one", std::nullopt}));
}

TEST(TallowinSyncCheckpointTest, WritesOwnerOnlyAndReadsBack)
{
    test::TemporaryFolder folder;
    const auto path = folder.path("CloudSync.json");
    EXPECT_EQ(TallowinSyncCheckpoint::read(path), std::nullopt);

    TallowinFileOperations operations;
    TallowinSyncCheckpoint::write(path, sampleCheckpoint(), operations);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(TallowinSyncCheckpoint::read(path), sampleCheckpoint());
    EXPECT_EQ(folder.read("CloudSync.json"), TallowinSyncCheckpoint::encode(sampleCheckpoint()));

    // A loosened file is tightened again by the next read.
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(TallowinSyncCheckpoint::read(path), sampleCheckpoint());
    EXPECT_EQ(modeOf(path), 0600u);
}

TEST(TallowinSyncCheckpointTest, FailedWriteKeepsTheOldCheckpointAndLeavesNoTemporary)
{
    test::TemporaryFolder folder;
    const auto path = folder.path("CloudSync.json");
    TallowinFileOperations real;
    TallowinSyncCheckpoint::write(path, {"me", std::nullopt}, real);

    for (const auto step : {test::FailingFileOperations::Step::writeAll, test::FailingFileOperations::Step::syncFile,
             test::FailingFileOperations::Step::rename}) {
        test::FailingFileOperations failing;
        failing.failCall(step, 1, std::errc::no_space_on_device);
        EXPECT_THROW(TallowinSyncCheckpoint::write(path, sampleCheckpoint(), failing), TallowinFileError)
            << test::stepName(step);
        EXPECT_EQ(TallowinSyncCheckpoint::read(path), (TallowinSyncCheckpoint {"me", std::nullopt}));
        int entries = 0;
        for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(folder.root()))
            ++entries;
        EXPECT_EQ(entries, 1) << test::stepName(step);
    }
}

TEST(TallowinSyncCheckpointTest, RefusesALinkInsteadOfAFile)
{
    test::TemporaryFolder folder;
    folder.write("real.json", R"({"accountID":"me"})");
    std::filesystem::create_symlink(folder.path("real.json"), folder.path("CloudSync.json"));
    EXPECT_THROW(TallowinSyncCheckpoint::read(folder.path("CloudSync.json")), TallowinFileError);
}

} // namespace
} // namespace tallowin
