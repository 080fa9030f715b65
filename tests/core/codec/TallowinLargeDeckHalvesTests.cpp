#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tallowin {
namespace {

// Large enough that its cards are read and checked in two halves: cards 0 to 599 and 600 to 1199.
constexpr std::size_t cardCount = 1200;
constexpr std::size_t middle = cardCount / 2;
static_assert(cardCount >= TallowinDocument::cardsWorthASecondThread);

std::string cardID(std::size_t index)
{
    return "KB-" + std::to_string(10000 + index);
}

TallowinDocument largeDeck()
{
    std::vector<TaskItem> tasks;
    for (std::size_t index = 0; index < cardCount; ++index) {
        TaskItem task = test::makeTask(cardID(index), std::int64_t(index));
        task.history = {
            test::makeEvent("h-" + std::to_string(index) + "-a"), test::makeEvent("h-" + std::to_string(index) + "-b")};
        tasks.push_back(std::move(task));
    }
    return test::makeDocument(std::move(tasks));
}

std::string messageOf(const std::function<void()> &run)
{
    try {
        run();
    } catch (const TallowinValidationError &error) {
        return error.what();
    } catch (const JsonReadError &error) {
        return error.what();
    }
    return "";
}

// The deck's file text with one value of a card replaced: the first `"key": ` after the card's ID, up to the
// next comma or line end.
void replaceValue(std::string &text, std::size_t card, const std::string &key, const std::string &value)
{
    const std::size_t id = text.find("\"id\": \"" + cardID(card) + "\"");
    ASSERT_NE(id, std::string::npos);
    const std::size_t start = text.find("\"" + key + "\": ", id);
    ASSERT_NE(start, std::string::npos);
    const std::size_t valueStart = start + key.size() + 4;
    const std::size_t valueEnd = text.find_first_of(",\n", valueStart);
    text.replace(valueStart, valueEnd - valueStart, value);
}

struct Fault
{
    const char *name;
    std::function<void(TallowinDocument &)> plant;
    TallowinValidationError expected;
};

// Whatever half a fault lies in, and however faults in both halves fall, the one reported is the first in card
// order, the same whether the deck is validated as it is or decoded from its file.
TEST(TallowinLargeDeckValidation, ReportsTheFirstFaultInCardOrder)
{
    const std::vector<Fault> faults = {
        {"a card ID twice in the first half", [](TallowinDocument &deck) { deck.tasks[20].id = cardID(10); },
            TallowinValidationError::duplicateTaskID(cardID(10))},
        {"a card ID twice in the second half", [](TallowinDocument &deck) { deck.tasks[1100].id = cardID(700); },
            TallowinValidationError::duplicateTaskID(cardID(700))},
        {"a card ID in both halves", [](TallowinDocument &deck) { deck.tasks[900].id = cardID(100); },
            TallowinValidationError::duplicateTaskID(cardID(100))},
        {"a history ID in both halves",
            [](TallowinDocument &deck) { deck.tasks[1000].history[1].id = deck.tasks[3].history[0].id; },
            TallowinValidationError::duplicateHistoryID("h-3-a")},
        {"a card ID in both halves before a bad timestamp in the second",
            [](TallowinDocument &deck) {
                deck.tasks[650].id = cardID(5);
                deck.tasks[700].updatedAt = "yesterday";
            },
            TallowinValidationError::duplicateTaskID(cardID(5))},
        {"a bad timestamp in the second half before a card ID in both halves",
            [](TallowinDocument &deck) {
                deck.tasks[650].history[0].at = "soon";
                deck.tasks[900].id = cardID(5);
            },
            TallowinValidationError::invalidTimestamp("soon")},
        {"faults in both halves",
            [](TallowinDocument &deck) {
                deck.tasks[1150].createdAt = "later";
                deck.tasks[300].state = TaskState::delayed;
                deck.tasks[300].resumeAt.reset();
            },
            TallowinValidationError::invalidDelayedTask(cardID(300))},
        {"a merge link to no card", [](TallowinDocument &deck) { deck.tasks[1199].mergedInto = "KB-missing"; },
            TallowinValidationError::invalidMergeReference(cardID(1199))},
        {"a run listing no card",
            [](TallowinDocument &deck) {
                deck.runID = "run-1";
                deck.runTaskIDs = std::vector<std::string> {cardID(1), cardID(1199), "KB-gone"};
            },
            TallowinValidationError::invalidRunTaskID("KB-gone")},
        {"a bad deck timestamp", [](TallowinDocument &deck) { deck.updatedAt = "now"; },
            TallowinValidationError::invalidTimestamp("now")},
    };
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.name);
        TallowinDocument deck = largeDeck();
        fault.plant(deck);
        EXPECT_EQ(messageOf([&] { deck.validate(); }), fault.expected.what());
        const std::string text = TaskMarkdownCodec::encode(deck);
        EXPECT_EQ(messageOf([&] { TaskMarkdownCodec::decode(text); }), fault.expected.what());
    }
}

// Links and runs may name cards of either half.
TEST(TallowinLargeDeckValidation, CardsOfBothHalvesAreKnownToTheRulesAcrossCards)
{
    TallowinDocument deck = largeDeck();
    deck.tasks[2].state = TaskState::merged;
    deck.tasks[2].mergedInto = cardID(1150);
    deck.tasks[1150].mergedTaskIDs = std::vector<std::string> {cardID(2), cardID(middle)};
    deck.runID = "run-1";
    deck.runTaskIDs = std::vector<std::string> {cardID(0), cardID(middle - 1), cardID(middle), cardID(1199)};
    deck.runProcessedIDs = std::vector<std::string> {cardID(1199)};
    EXPECT_NO_THROW(deck.validate());
    EXPECT_EQ(TaskMarkdownCodec::decode(TaskMarkdownCodec::encode(deck)), deck);
}

// A large deck is copied in two halves; every field comes along, and the copy stands on its own.
TEST(TallowinLargeDeckCopy, CopiesEveryFieldAndSharesNothing)
{
    TallowinDocument deck = largeDeck();
    deck.title = "Team";
    deck.revision = 42;
    deck.runID = "run-1";
    deck.runTaskIDs = std::vector<std::string> {cardID(1), cardID(1100)};
    deck.runProcessedIDs = std::vector<std::string> {cardID(1)};
    deck.lastSlackScan = test::makeCompleteScan();
    deck.scanHistory = {test::makeCompleteScan()};
    deck.lastCompleteSlackScanAt = test::fixedTime;
    deck.pendingCandidates = {test::makeCandidate("c1")};
    deck.dismissedCandidateKeys = {"slack:1"};

    TallowinDocument copy(deck);
    EXPECT_TRUE(copy == deck);
    copy.tasks[1100].title = "Changed in the copy";
    copy.tasks[3].history[0].note = "Changed too";
    EXPECT_EQ(deck.tasks[1100].title, largeDeck().tasks[1100].title);
    EXPECT_EQ(deck.tasks[3].history[0].note, largeDeck().tasks[3].history[0].note);

    TallowinDocument assigned = test::makeDocument();
    assigned = deck;
    EXPECT_TRUE(assigned == deck);
    const TallowinDocument &same = assigned;
    assigned = same;
    EXPECT_TRUE(assigned == deck);
}

// A parser that meets a larger deck than before has its new buffers faulted in by the helper thread while it
// parses; what it reads is the same, fresh or not, and so are its errors.
TEST(TallowinLargeDeckDecoding, AFreshParserReadsALargeDeckAsAWarmOneDoes)
{
    TallowinDocument deck = largeDeck();
    for (TaskItem &task : deck.tasks)
        task.context = std::string(400, 'c');
    const std::string text = TaskMarkdownCodec::encode(deck);
    ASSERT_GE(text.size(), std::size_t(1) << 20) << "too small to have its parser buffers faulted in ahead";
    TallowinDocumentJson::releaseParserMemory();
    EXPECT_TRUE(TaskMarkdownCodec::decode(text) == deck);
    EXPECT_TRUE(TaskMarkdownCodec::decode(text) == deck);

    std::string broken = text;
    broken.insert(broken.rfind(']'), ",");
    std::string expected;
    try {
        TaskMarkdownCodec::decode(broken);
    } catch (const JsonReadError &error) {
        expected = error.what();
    }
    ASSERT_FALSE(expected.empty());
    TallowinDocumentJson::releaseParserMemory();
    EXPECT_EQ(messageOf([&] { TaskMarkdownCodec::decode(broken); }), expected);
    TallowinDocumentJson::releaseParserMemory();
    EXPECT_TRUE(TaskMarkdownCodec::decode(text) == deck);
}

// A card that does not read is named by its place in the whole list, whichever half it is in; of two, the first.
TEST(TallowinLargeDeckDecoding, NamesTheFirstCardThatDoesNotRead)
{
    const std::string encoded = TaskMarkdownCodec::encode(largeDeck());
    const std::string badKind = JsonReadError::unknownValue("kind", "bogus").nestedIn("tasks[900]").what();
    const std::string badOrder
        = JsonReadError::wrongType("order", "an integer within the signed 64-bit range").nestedIn("tasks[100]").what();

    std::string secondHalf = encoded;
    replaceValue(secondHalf, 900, "kind", "\"bogus\"");
    EXPECT_EQ(messageOf([&] { TaskMarkdownCodec::decode(secondHalf); }), badKind);

    std::string bothHalves = secondHalf;
    replaceValue(bothHalves, 100, "order", "\"first\"");
    EXPECT_EQ(messageOf([&] { TaskMarkdownCodec::decode(bothHalves); }), badOrder);

    std::string lastCard = encoded;
    replaceValue(lastCard, cardCount - 1, "kind", "\"bogus\"");
    EXPECT_EQ(messageOf([&] { TaskMarkdownCodec::decode(lastCard); }),
        JsonReadError::unknownValue("kind", "bogus").nestedIn("tasks[1199]").what());
}

} // namespace
} // namespace tallowin
