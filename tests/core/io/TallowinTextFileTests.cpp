#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <string>

namespace tallowin {
namespace {

// The reader knows nothing of parsers: the spare room past the text is whatever the caller asks for.
TEST(TallowinTextFile, ReadsTheBytesWithTheSpareRoomAskedFor)
{
    test::TemporaryFolder folder;
    const std::string page(4096, 'x');
    for (const std::string &content : {std::string(), std::string("short"), page, page + "y"}) {
        folder.write("text.md", content);
        for (const std::size_t spare : {std::size_t(0), std::size_t(1), std::size_t(64), std::size_t(5000)}) {
            SCOPED_TRACE(std::to_string(content.size()) + " bytes, " + std::to_string(spare) + " spare");
            const std::string text = TallowinTextFile::read(folder.path("text.md"), spare);
            EXPECT_EQ(text, content);
            EXPECT_GE(TallowinTextFile::spareCapacity(text), spare);
        }
    }
    EXPECT_THROW_SENTENCE(TallowinFileError, "The file " + folder.path("missing.md").string() + " does not exist.",
        TallowinTextFile::read(folder.path("missing.md"), 64));
}

} // namespace
} // namespace tallowin
