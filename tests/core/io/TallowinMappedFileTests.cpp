#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/codec/TaskMarkdownCodecError.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinMappedFile.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tallowin {
namespace {

namespace fs = std::filesystem;

std::size_t pageSize()
{
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Reads every byte the mapping promises, the padding included; a byte out of reach would fault.
std::size_t sumOfReadableBytes(const TallowinMappedFile &mapped)
{
    std::size_t sum = 0;
    const char *start = mapped.text().data();
    for (std::size_t index = 0; index < mapped.text().size() + mapped.readableBytesAfter(); ++index)
        sum += static_cast<unsigned char>(start[index]);
    return sum;
}

TallowinDocument sampleDeck()
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002", 1)});
    document.tasks[1].history = {test::makeEvent("h1")};
    document.pendingCandidates = {test::makeCandidate("c1")};
    return document;
}

class TallowinMappedFileTest : public ::testing::Test
{
protected:
    test::TemporaryFolder folder;
};

TEST_F(TallowinMappedFileTest, HoldsTheFileBytesFollowedByTheRequestedPadding)
{
    const std::size_t page = pageSize();
    // Short, ending inside a page, and a whole number of pages, where the padding lies beyond the file.
    for (const std::size_t size : {std::size_t(1), page - 10, page, 3 * page}) {
        SCOPED_TRACE(size);
        std::string content(size, 'a');
        for (std::size_t index = 0; index < size; index += 7)
            content[index] = char('0' + index % 10);
        folder.write("file.md", content);
        const TallowinMappedFile mapped = TallowinMappedFile::map(folder.path("file.md"), 64);
        EXPECT_EQ(mapped.text(), content);
        EXPECT_GE(mapped.readableBytesAfter(), 64u);
        std::size_t expected = 0;
        for (const char byte : content)
            expected += static_cast<unsigned char>(byte);
        // Past the end of the file the mapping reads as zeros.
        EXPECT_EQ(sumOfReadableBytes(mapped), expected);
    }
}

TEST_F(TallowinMappedFileTest, AnEmptyFileIsEmptyTextWithPadding)
{
    folder.write("empty.md", "");
    const TallowinMappedFile mapped = TallowinMappedFile::map(folder.path("empty.md"), 64);
    EXPECT_TRUE(mapped.text().empty());
    EXPECT_GE(mapped.readableBytesAfter(), 64u);
    EXPECT_EQ(sumOfReadableBytes(mapped), 0u);
}

TEST_F(TallowinMappedFileTest, FailuresNameTheFile)
{
    const fs::path missing = folder.path("missing.md");
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinFileError, "The file " + missing.string() + " does not exist.",
            TallowinMappedFile::map(missing, 64))) {
        EXPECT_EQ(error->code(), std::errc::no_such_file_or_directory);
    }
    fs::create_directory(folder.path("folder.md"));
    if (const auto error = THROWN_ERROR(TallowinFileError, TallowinMappedFile::map(folder.path("folder.md"), 64))) {
        EXPECT_EQ(error->code(), std::errc::is_a_directory);
        EXPECT_EQ(error->path1(), folder.path("folder.md"));
    }
    ASSERT_EQ(::mkfifo(folder.path("pipe.md").c_str(), 0600), 0);
    // Opening a pipe for reading would wait for a writer; one that is open already lets it through.
    const int writer = ::open(folder.path("pipe.md").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    if (const auto error = EXPECT_THROW_SENTENCE(TallowinFileError,
            "Tallowin could not read " + folder.path("pipe.md").string() + ": "
                + std::make_error_code(std::errc::not_supported).message() + ".",
            TallowinMappedFile::map(folder.path("pipe.md"), 64))) {
        EXPECT_EQ(error->code(), std::errc::not_supported);
    }
    ::close(writer);
}

TEST_F(TallowinMappedFileTest, KnowsItsAddressesOnlyWhileMapped)
{
    folder.write("file.md", std::string(100, 'x'));
    TallowinMappedFile mapped = TallowinMappedFile::map(folder.path("file.md"), 64);
    const char *start = mapped.text().data();
    EXPECT_TRUE(TallowinMappedFile::contains(start));
    EXPECT_TRUE(TallowinMappedFile::contains(start + 100 + 63));
    const std::string elsewhere = "not mapped";
    EXPECT_FALSE(TallowinMappedFile::contains(elsewhere.data()));

    // A move hands the mapping over; the emptied object unmaps nothing.
    TallowinMappedFile moved = std::move(mapped);
    EXPECT_TRUE(mapped.text().empty());
    EXPECT_EQ(moved.text().data(), start);
    EXPECT_TRUE(TallowinMappedFile::contains(start));
    {
        const TallowinMappedFile emptied = std::move(mapped);
    }
    EXPECT_EQ(moved.text(), std::string(100, 'x'));

    moved.unmap();
    EXPECT_TRUE(moved.text().empty());
    EXPECT_FALSE(TallowinMappedFile::contains(start));
    moved.unmap();
}

TEST_F(TallowinMappedFileTest, ManyMappingsAtOnceEachKnowTheirOwn)
{
    folder.write("file.md", "deck");
    std::vector<TallowinMappedFile> mappings;
    for (int index = 0; index < 20; ++index)
        mappings.push_back(TallowinMappedFile::map(folder.path("file.md"), 64));
    for (const TallowinMappedFile &mapped : mappings)
        EXPECT_TRUE(TallowinMappedFile::contains(mapped.text().data()));
    const char *first = mappings.front().text().data();
    mappings.erase(mappings.begin());
    EXPECT_FALSE(TallowinMappedFile::contains(first));
    for (const TallowinMappedFile &mapped : mappings)
        EXPECT_EQ(mapped.text(), "deck");
}

// A deck read through a mapping decodes as its text does, even when its file ends on a page boundary, and the
// mapping is gone once it is parsed.
TEST_F(TallowinMappedFileTest, DecodingAMappedDeckMatchesDecodingItsText)
{
    const TallowinDocument document = sampleDeck();
    const std::string encoded = TaskMarkdownCodec::encode(document);
    const std::size_t page = pageSize();
    for (const std::size_t size : {encoded.size(), (encoded.size() / page + 1) * page}) {
        SCOPED_TRACE(size);
        // The readable half before the markers is not read back, so padding it changes nothing.
        const std::string text = std::string(size - encoded.size(), ' ') + encoded;
        folder.write("Tallowin.md", text);
        TallowinMappedFile mapped = TallowinMappedFile::map(folder.path("Tallowin.md"), 64);
        const char *start = mapped.text().data();
        EXPECT_EQ(TaskMarkdownCodec::decodeConsuming(std::move(mapped)), document);
        EXPECT_FALSE(TallowinMappedFile::contains(start));
    }
    folder.write("Tallowin.md", "# Notes without machine data");
    if (const auto error = THROWN_ERROR(TaskMarkdownCodecError,
            TaskMarkdownCodec::decodeConsuming(TallowinMappedFile::map(folder.path("Tallowin.md"), 64)))) {
        EXPECT_EQ(error->kind(), TaskMarkdownCodecError::Kind::missingDataBlock);
    }
}

// A repository that maps the deck reads, changes and refuses exactly as one that copies it.
TEST_F(TallowinMappedFileTest, ARepositoryThatMapsTheDeckBehavesAsOneThatCopiesIt)
{
    const fs::path copiedPath = folder.path("Copied/Tallowin.md");
    const fs::path mappedPath = folder.path("Mapped/Tallowin.md");
    TallowinRepository copied(copiedPath, [] { return *TallowinClock::date("2026-03-14T10:00:00.000Z"); });
    TallowinRepository mapped(mappedPath, [] { return *TallowinClock::date("2026-03-14T10:00:00.000Z"); });
    mapped.mapFileWhenReading(true);

    EXPECT_THROW(mapped.load(), TallowinFileError);
    EXPECT_EQ(copied.prepareIfNeeded(sampleDeck()), mapped.prepareIfNeeded(sampleDeck()));
    EXPECT_EQ(copied.load(), mapped.load());
    const TallowinRepository::Change retitle = [](TallowinDocument &&current) -> std::optional<TallowinDocument> {
        current.tasks.front().title = "Retitled";
        return std::move(current);
    };
    EXPECT_EQ(copied.update(retitle), mapped.update(retitle));
    EXPECT_EQ(folder.read("Copied/Tallowin.md"), folder.read("Mapped/Tallowin.md"));
    EXPECT_EQ(mapped.load().tasks.front().title, "Retitled");

    folder.write("Mapped/Tallowin.md", "# Notes without machine data");
    EXPECT_THROW(mapped.update(retitle), TaskMarkdownCodecError);
    EXPECT_EQ(folder.read("Mapped/Tallowin.md"), "# Notes without machine data");
}

using TallowinMappedFileDeathTest = TallowinMappedFileTest;

// The file is cut short under the mapping, as an editor that saves in place does, and the lost part is read.
TEST_F(TallowinMappedFileDeathTest, AFileCutShortWhileMappedEndsTheProcessWithASentence)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = folder.path("Tallowin.md");
    const std::size_t page = pageSize();
    folder.write("Tallowin.md", std::string(3 * page, 'x'));
    EXPECT_EXIT(
        {
            TallowinMappedFile::exitCleanlyOnTruncation();
            const TallowinMappedFile mapped = TallowinMappedFile::map(path, 64);
            if (::truncate(path.c_str(), 0) != 0)
                std::_Exit(3);
            const volatile char *lost = mapped.text().data() + 2 * page;
            std::_Exit(*lost == 'x' ? 4 : 5);
        },
        ::testing::ExitedWithCode(1),
        "The deck file was cut short by another program while Tallowin was reading it. Nothing was written; run "
        "the command again.");
}

// A bus error anywhere else is not mistaken for one: the process still dies of it.
TEST_F(TallowinMappedFileDeathTest, OtherBusErrorsKeepTheirDefaultAction)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = folder.path("Other.md");
    const std::size_t page = pageSize();
    folder.write("Other.md", std::string(3 * page, 'x'));
    EXPECT_EXIT(
        {
            TallowinMappedFile::exitCleanlyOnTruncation();
            const TallowinMappedFile registered = TallowinMappedFile::map(path, 64);
            const int file = ::open(path.c_str(), O_RDONLY);
            void *unregistered = ::mmap(nullptr, 3 * page, PROT_READ, MAP_PRIVATE, file, 0);
            if (unregistered == MAP_FAILED || ::truncate(path.c_str(), 0) != 0)
                std::_Exit(3);
            const volatile char *lost = static_cast<const char *>(unregistered) + 2 * page;
            std::_Exit(*lost == 'x' ? 4 : 5);
        },
        ::testing::KilledBySignal(SIGBUS), "");
    EXPECT_EXIT(
        {
            TallowinMappedFile::exitCleanlyOnTruncation();
            ::raise(SIGBUS);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGBUS), "");
}

} // namespace
} // namespace tallowin
