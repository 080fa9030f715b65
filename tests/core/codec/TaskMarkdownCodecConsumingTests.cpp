#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/codec/TaskMarkdownCodecError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using test::makeDocument;
using test::makeEvent;
using test::makeTask;

TallowinDocument sampleDeck()
{
    TallowinDocument document = makeDocument({makeTask("KB-001"), makeTask("KB-002", 1, TaskState::completed)});
    document.tasks[1].history = {makeEvent("h1"), makeEvent("h2")};
    document.pendingCandidates = {test::makeCandidate("c1")};
    return document;
}

// With and without room to parse in place, a text given up decodes like any other, and is freed.
TEST(TaskMarkdownCodecDecodeConsuming, SameDeckAsDecodeAndTheTextIsFreed)
{
    const TallowinDocument document = sampleDeck();
    for (const bool roomAfterText : {false, true}) {
        SCOPED_TRACE(roomAfterText ? "in place" : "copied with padding");
        std::string text = TaskMarkdownCodec::encode(document);
        if (roomAfterText)
            text.reserve(text.size() + TallowinDocumentJson::paddingBytes());
        else
            text.shrink_to_fit();
        EXPECT_EQ(TaskMarkdownCodec::decodeConsuming(std::move(text)), document);
        EXPECT_EQ(text.capacity(), std::string().capacity()) << "the text was not freed";
    }
}

TEST(TaskMarkdownCodecDecodeConsuming, ReportsWhatDecodeReports)
{
    EXPECT_THROW(TaskMarkdownCodec::decodeConsuming("# Notes without machine data"), TaskMarkdownCodecError);
    const std::string malformed = std::string(TaskMarkdownCodec::beginMarker) + "\n{\"version\": 2,\n"
        + std::string(TaskMarkdownCodec::endMarker);
    const auto expected = THROWN_ERROR(JsonReadError, TaskMarkdownCodec::decode(malformed));
    ASSERT_TRUE(expected);
    EXPECT_THROW_SENTENCE(JsonReadError, *expected, TaskMarkdownCodec::decodeConsuming(std::string(malformed)));
}

TEST(TallowinDocumentJsonParser, DecodesAgainAfterItsMemoryIsReleased)
{
    const TallowinDocument document = sampleDeck();
    const std::string text = TaskMarkdownCodec::encode(document);
    ASSERT_EQ(TaskMarkdownCodec::decode(text), document);
    TallowinDocumentJson::releaseParserMemory();
    EXPECT_EQ(TaskMarkdownCodec::decode(text), document);
    TallowinDocumentJson::releaseParserMemory();
    TallowinDocumentJson::releaseParserMemory();
    EXPECT_EQ(TaskMarkdownCodec::decodeConsuming(std::string(text)), document);
}

} // namespace
} // namespace tallowin
