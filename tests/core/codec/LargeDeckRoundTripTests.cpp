#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/generator/DeckGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace tallowin {
namespace {

constexpr std::uint64_t deckSeed = 20260314;
constexpr std::size_t largeDeckCards = 10000;

// Generated once: the deck is large and every test here reads the same one.
const TallowinDocument &largeDeck()
{
    static const TallowinDocument deck = bench::generateDeck(largeDeckCards, deckSeed);
    return deck;
}

const std::string &largeDeckText()
{
    static const std::string text = TaskMarkdownCodec::encode(largeDeck());
    return text;
}

// Reads the text back from a file, as the repository does, so the in-place
// parse path is the one taken.
TallowinDocument decodeFromFile(const std::string &text)
{
    const test::TemporaryFolder folder;
    folder.write("Tallowin.md", text);
    const std::string read = TallowinTextFile::read(folder.path("Tallowin.md"), TallowinDocumentJson::paddingBytes());
    EXPECT_GE(TallowinTextFile::spareCapacity(read), 64u);
    return TaskMarkdownCodec::decode(read, TallowinTextFile::spareCapacity(read));
}

// Where two texts part, kept short: gtest would otherwise print both 23 MB
// texts.
std::string firstDifference(const std::string &expected, const std::string &actual)
{
    const auto [left, right] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const std::size_t offset = static_cast<std::size_t>(left - expected.begin());
    return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(actual.size())
        + ", first difference at byte " + std::to_string(offset) + ": expected \"" + expected.substr(offset, 60)
        + "\", got \"" + actual.substr(offset, 60) + "\"";
}

TEST(GeneratedDeck, IsValidAndCoversWhatRealDecksHold)
{
    const TallowinDocument &deck = largeDeck();
    EXPECT_NO_THROW(deck.validate());
    ASSERT_EQ(deck.tasks.size(), largeDeckCards);

    std::map<TaskState, std::size_t> perState;
    std::map<std::string, const TaskItem *> byID;
    for (const TaskItem &task : deck.tasks) {
        ++perState[task.state];
        byID[task.id] = &task;
        EXPECT_GE(task.history.size(), 4u) << task.id;
        EXPECT_LE(task.history.size(), 8u) << task.id;
        EXPECT_GE(task.sources.size(), 1u) << task.id;
        EXPECT_LE(task.sources.size(), 3u) << task.id;
    }
    for (TaskState state : allTaskStates)
        EXPECT_GT(perState[state], 0u) << rawValue(state);

    // Merge links go both ways.
    for (const TaskItem &task : deck.tasks) {
        if (task.state != TaskState::merged)
            continue;
        ASSERT_TRUE(task.mergedInto) << task.id;
        const TaskItem *host = byID.at(*task.mergedInto);
        ASSERT_TRUE(host->mergedTaskIDs) << host->id;
        EXPECT_NE(
            std::find(host->mergedTaskIDs->begin(), host->mergedTaskIDs->end(), task.id), host->mergedTaskIDs->end())
            << task.id;
    }

    ASSERT_TRUE(deck.runTaskIDs && deck.runProcessedIDs && deck.runID);
    EXPECT_FALSE(deck.runTaskIDs->empty());
    EXPECT_TRUE(std::equal(deck.runProcessedIDs->begin(), deck.runProcessedIDs->end(), deck.runTaskIDs->begin()));
    EXPECT_EQ(deck.pendingCandidates.size(), largeDeckCards / 50);
    EXPECT_TRUE(deck.lastSlackScan && deck.lastSlackScan->isComplete());
    EXPECT_FALSE(deck.scanHistory.empty());
    EXPECT_FALSE(deck.dismissedCandidateKeys.empty());

    // The benchmarks quote throughput on a file of about 23 MB.
    EXPECT_GT(largeDeckText().size(), 21'000'000u);
    EXPECT_LT(largeDeckText().size(), 25'000'000u);
}

TEST(GeneratedDeck, DependsOnlyOnItsSeed)
{
    EXPECT_EQ(bench::generateDeckText(300, 7), bench::generateDeckText(300, 7));
    EXPECT_NE(bench::generateDeckText(300, 7), bench::generateDeckText(300, 8));
}

TEST(LargeDeckRoundTrip, DecodingTheEncodedDeckGivesItBack)
{
    EXPECT_EQ(TaskMarkdownCodec::decode(largeDeckText()), largeDeck());
    EXPECT_EQ(decodeFromFile(largeDeckText()), largeDeck());
}

TEST(LargeDeckRoundTrip, ReEncodingReproducesTheFileByteForByte)
{
    const std::string &text = largeDeckText();
    const std::string again = TaskMarkdownCodec::encode(decodeFromFile(text));
    EXPECT_TRUE(again == text) << firstDifference(text, again);
}

TEST(LargeDeckRoundTrip, EmptyDeck)
{
    const TallowinDocument empty = test::makeDocument();
    const std::string text = TaskMarkdownCodec::encode(empty);
    EXPECT_EQ(TaskMarkdownCodec::decode(text), empty);
    EXPECT_EQ(decodeFromFile(text), empty);
    EXPECT_EQ(TaskMarkdownCodec::encode(decodeFromFile(text)), text);
}

TEST(LargeDeckRoundTrip, DeckWithoutCardsButWithScansAndKeys)
{
    const TallowinDocument deck = bench::generateDeck(0, deckSeed);
    EXPECT_TRUE(deck.tasks.empty());
    const std::string text = TaskMarkdownCodec::encode(deck);
    EXPECT_EQ(decodeFromFile(text), deck);
    EXPECT_EQ(TaskMarkdownCodec::encode(decodeFromFile(text)), text);
}

} // namespace
} // namespace tallowin
