#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/codec/TaskMarkdownCodecError.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ThrowChecks.h"
#include "tests/support/generator/DeckGenerator.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::makeCandidate;
using test::makeDocument;
using test::makeTask;

std::string block(const TallowinDocument &document)
{
    return std::string(TaskMarkdownCodec::beginMarker) + "\n"
        + TallowinDocumentJson::encode(document, JsonLayout::pretty, JsonSlashes::plain) + "\n"
        + std::string(TaskMarkdownCodec::endMarker);
}

TEST(TaskMarkdownCodecEncode, EmptyDeckLayout)
{
    const TallowinDocument document = makeDocument();
    const std::string expectedSummary = "# Tallowin\n\n"
                                        "Revision: 1  \n"
                                        "Updated: 2026-03-14T09:26:53.589Z  \n"
                                        "Slack scan: Not yet run  \n"
                                        "Run progress: 0 of 0\n\n"
                                        "## Task inbox\n\nNo candidates.\n\n"
                                        "## Active\n\nNo cards.\n\n"
                                        "## With ChatGPT\n\nNo cards.\n\n"
                                        "## Delayed\n\nNo cards.\n\n"
                                        "## Completed\n\nNo cards.\n\n"
                                        "## Merged\n\nNo cards.\n\n"
                                        "## Removed\n\nNo cards.\n\n"
                                        "## Machine data\n\n";
    const std::string expectedJson = "{\n"
                                     "  \"dismissedCandidateKeys\": [],\n"
                                     "  \"pendingCandidates\": [],\n"
                                     "  \"revision\": 1,\n"
                                     "  \"scanHistory\": [],\n"
                                     "  \"tasks\": [],\n"
                                     "  \"title\": \"Tallowin\",\n"
                                     "  \"updatedAt\": \"2026-03-14T09:26:53.589Z\",\n"
                                     "  \"version\": 2\n"
                                     "}";
    const std::string text = TaskMarkdownCodec::encode(document);
    EXPECT_EQ(text, expectedSummary + "<!-- TALLOWIN_DATA_BEGIN -->\n" + expectedJson + "\n<!-- TALLOWIN_DATA_END -->");
    EXPECT_EQ(TaskMarkdownCodec::decode(text), document);
}

TEST(TaskMarkdownCodecEncode, SectionsListCardsByOrderStablyAndInboxInDocumentOrder)
{
    TallowinDocument document = makeDocument({makeTask("KB-005", 5), makeTask("KB-002", 2), makeTask("KB-003", 2),
        makeTask("KB-010", 1, TaskState::completed), makeTask("KB-011", 0, TaskState::delayed),
        makeTask("KB-012", 3, TaskState::actionRequested), makeTask("KB-013", 0, TaskState::removed),
        makeTask("KB-014", 0, TaskState::merged)});
    document.tasks[7].mergedInto = "KB-005";
    document.tasks[0].person = "Zoë";
    document.tasks[0].title = "Ship *the* plan";
    document.pendingCandidates = {makeCandidate("c2"), makeCandidate("c1")};
    document.lastSlackScan = test::makeCompleteScan();
    document.runID = "run-1";
    document.runTaskIDs = std::vector<std::string> {"KB-005", "KB-002", "KB-003"};
    document.runProcessedIDs = std::vector<std::string> {"KB-002"};

    const std::string text = TaskMarkdownCodec::encode(document);
    const std::string expected = "# Tallowin\n\n"
                                 "Revision: 1  \n"
                                 "Updated: 2026-03-14T09:26:53.589Z  \n"
                                 "Slack scan: Complete  \n"
                                 "Run progress: 1 of 3\n\n"
                                 "## Task inbox\n\n"
                                 "- **Ada:** Suggested c2 (`c2` )\n"
                                 "- **Ada:** Suggested c1 (`c1` )\n\n"
                                 "## Active\n\n"
                                 "- **Me:** Task KB-002 (`KB-002` )\n"
                                 "- **Me:** Task KB-003 (`KB-003` )\n"
                                 "- **Zoë:** Ship *the* plan (`KB-005` )\n\n"
                                 "## With ChatGPT\n\n- **Me:** Task KB-012 (`KB-012` )\n\n"
                                 "## Delayed\n\n- **Me:** Task KB-011 (`KB-011` )\n\n"
                                 "## Completed\n\n- **Me:** Task KB-010 (`KB-010` )\n\n"
                                 "## Merged\n\n- **Me:** Task KB-014 (`KB-014` )\n\n"
                                 "## Removed\n\n- **Me:** Task KB-013 (`KB-013` )\n\n"
                                 "## Machine data\n\n";
    EXPECT_EQ(text, expected + block(document));

    const TallowinDocument decoded = TaskMarkdownCodec::decode(text);
    EXPECT_EQ(decoded, document) << "the JSON block keeps document order";
    EXPECT_EQ(TaskMarkdownCodec::encode(decoded), text);
}

TEST(TaskMarkdownCodecEncode, IncompleteScanStatus)
{
    TallowinDocument document = makeDocument();
    document.lastSlackScan = test::makeCompleteScan();
    document.lastSlackScan->mentions = false;
    EXPECT_NE(TaskMarkdownCodec::encode(document).find("Slack scan: Incomplete  \n"), std::string::npos);
}

TEST(TaskMarkdownCodecEncode, LinksKeepTheirSlashes)
{
    TallowinDocument document = makeDocument({makeTask("KB-001")});
    document.tasks[0].sources
        = {TaskSource {"PR", "https://github.com/org/repo/pull/7", std::nullopt, std::nullopt, std::nullopt}};
    const std::string text = TaskMarkdownCodec::encode(document);
    EXPECT_NE(text.find("\"url\": \"https://github.com/org/repo/pull/7\""), std::string::npos);
    EXPECT_EQ(text.find("\\/"), std::string::npos);
}

TEST(TaskMarkdownCodecEncode, MarkerTextInsideCardsCannotBreakTheFile)
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001")});
    document.title = "Deck <!-- TALLOWIN_DATA_BEGIN -->";
    document.tasks[0].title = "Quote <!-- TALLOWIN_DATA_END --> here";
    document.tasks[0].person = "<!-- TALLOWIN_DATA_BEGIN -->";
    document.tasks[0].context = "<!-- TALLOWIN_DATA_END -->\n<!-- TALLOWIN_DATA_BEGIN -->";
    const std::string text = TaskMarkdownCodec::encode(document);

    const auto count = [&text](std::string_view marker) {
        std::size_t found = 0;
        for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count(TaskMarkdownCodec::beginMarker), 1u);
    EXPECT_EQ(count(TaskMarkdownCodec::endMarker), 1u);
    EXPECT_NE(text.find("- **&lt;!-- TALLOWIN_DATA_BEGIN -->:** Quote &lt;!-- TALLOWIN_DATA_END --> here (`KB-001` )"),
        std::string::npos);
    EXPECT_EQ(TaskMarkdownCodec::decode(text), document);
    EXPECT_EQ(TaskMarkdownCodec::encode(TaskMarkdownCodec::decode(text)), text);
}

TEST(TaskMarkdownCodecEncode, TextThatIsNotUTF8IsRefused)
{
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001")});
    document.tasks[0].title = "broken \xc3";
    EXPECT_THROW(TaskMarkdownCodec::encode(document), std::invalid_argument);
}

// A large deck is encoded on two threads; both halves must be escaped and checked like a small deck.
TEST(TaskMarkdownCodecEncode, ALargeDeckInPiecesReadsAsOneText)
{
    TallowinDocument document = bench::generateDeck(1200, 20260314);
    document.tasks[10].title = "First half <!-- TALLOWIN_DATA_END -->";
    document.tasks.back().context = "Second half <!-- TALLOWIN_DATA_BEGIN --> and <!-- TALLOWIN_DATA_END -->";

    const std::vector<std::string> pieces = TaskMarkdownCodec::encodePieces(document);
    ASSERT_GT(pieces.size(), 1u);
    std::string joined;
    for (const std::string &piece : pieces)
        joined += piece;
    // Compared without printing: a failure would otherwise print megabytes.
    EXPECT_TRUE(joined == TaskMarkdownCodec::encode(document)) << "the pieces differ from the joined text";
    EXPECT_EQ(joined.find(TaskMarkdownCodec::beginMarker), joined.rfind(TaskMarkdownCodec::beginMarker));
    EXPECT_EQ(joined.find(TaskMarkdownCodec::endMarker), joined.rfind(TaskMarkdownCodec::endMarker));
    EXPECT_TRUE(TaskMarkdownCodec::decode(joined) == document) << "the deck does not read back unchanged";

    for (const std::size_t broken : {std::size_t(3), document.tasks.size() - 1}) {
        TallowinDocument invalid = document;
        invalid.tasks[broken].result = "broken \xc3";
        EXPECT_THROW(TaskMarkdownCodec::encodePieces(invalid), std::invalid_argument) << broken;
        EXPECT_THROW(TaskMarkdownCodec::encode(invalid), std::invalid_argument) << broken;
    }
}

TEST(TaskMarkdownCodecDecode, IgnoresEverythingOutsideTheMarkers)
{
    TallowinDocument document = makeDocument({makeTask("KB-001")});
    const std::string plain = TaskMarkdownCodec::encode(document);
    const std::string edited = "My own notes\n<!-- TALLOWIN_DATA_END --> stray end above\n# Hand-edited title\n"
        + block(document) + "\n\ntrailing lines\n<!-- TALLOWIN_DATA_BEGIN -->\n{ not json";
    EXPECT_EQ(TaskMarkdownCodec::decode(edited), TaskMarkdownCodec::decode(plain));
}

TEST(TaskMarkdownCodecDecode, MissingMarkers)
{
    const auto message = [](const std::string &text) {
        try {
            (void)TaskMarkdownCodec::decode(text);
        } catch (const TaskMarkdownCodecError &error) {
            EXPECT_EQ(error, TaskMarkdownCodecError::missingDataBlock());
            return std::string(error.what());
        }
        return std::string("decoded");
    };
    const std::string missing = "Tallowin data markers are missing from the Markdown file.";
    EXPECT_EQ(message(""), missing);
    EXPECT_EQ(message("# Tallowin\n\nNo data here."), missing);
    EXPECT_EQ(message("<!-- TALLOWIN_DATA_END -->\n{}\n<!-- TALLOWIN_DATA_BEGIN -->\n{}"), missing)
        << "an end marker only above the begin marker does not count";
    EXPECT_EQ(message("<!-- TALLOWIN_DATA_BEGIN -->\n{}"), missing);
    EXPECT_EQ(message("<!-- TALLOWIN_DATA_BEGIN --><!-- TALLOWIN_DATA_END"), missing);
}

std::string withBlock(const std::string &json)
{
    return "<!-- TALLOWIN_DATA_BEGIN -->\n" + json + "\n<!-- TALLOWIN_DATA_END -->";
}

TEST(TaskMarkdownCodecDecode, VersionsAndMigration)
{
    const std::string versionOne = withBlock(R"({"version": 1, "revision": 3, "title": "Old", "updatedAt":
        "2026-01-02T03:04:05Z", "tasks": [
        {"id": "KB-001", "order": 0, "person": "Me", "title": "A", "context": "", "kind": "open", "state": "active",
         "instruction": "", "result": "", "sources": [], "history": [], "createdAt": "2026-01-02T03:04:05Z",
         "updatedAt": "2026-01-02T03:04:05Z"},
        {"id": "KB-002", "order": 1, "person": "Me", "title": "B", "context": "", "kind": "open", "state": "removed",
         "mergedInto": "KB-001", "instruction": "", "result": "", "sources": [], "history": [],
         "createdAt": "2026-01-02T03:04:05Z", "updatedAt": "2026-01-02T03:04:05Z"}]})");
    const TallowinDocument document = TaskMarkdownCodec::decode(versionOne);
    EXPECT_EQ(document.version, 2);
    EXPECT_EQ(document.revision, 3);
    EXPECT_EQ(document.tasks[1].state, TaskState::merged);
    EXPECT_TRUE(
        document.scanHistory.empty() && document.pendingCandidates.empty() && document.dismissedCandidateKeys.empty())
        << "older files lack the lists";

    if (const auto error = EXPECT_THROW_SENTENCE(TaskMarkdownCodecError, TaskMarkdownCodecError::invalidVersion(3),
            (void)TaskMarkdownCodec::decode(
                withBlock(R"({"version": 3, "revision": 1, "title": "T", "updatedAt": "x", "tasks": []})")))) {
        EXPECT_STREQ(error->what(), "Tallowin data version 3 is not supported.");
    }

    EXPECT_THROW_SENTENCE(TallowinValidationError, "Tallowin contains an invalid timestamp: 2026-01-02.",
        (void)TaskMarkdownCodec::decode(
            withBlock(R"({"version": 2, "revision": 1, "title": "T", "updatedAt": "2026-01-02", "tasks": []})")));
}

TEST(TaskMarkdownCodecDecode, ParsesInPlaceWhenPaddingIsReadable)
{
    const TallowinDocument document = makeDocument({makeTask("KB-001"), makeTask("KB-002")});
    std::string text = TaskMarkdownCodec::encode(document);
    const std::size_t size = text.size();
    text.reserve(size + TallowinDocumentJson::paddingBytes());
    EXPECT_EQ(TaskMarkdownCodec::decode(std::string_view(text.data(), size), text.capacity() - size), document);
}

} // namespace
} // namespace tallowin
