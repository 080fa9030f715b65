#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallowin {
namespace {

using test::makeCandidate;
using test::makeDocument;
using test::makeTask;

TallowinDocument roundTrip(const TallowinDocument &document, JsonLayout layout = JsonLayout::pretty)
{
    return TallowinDocumentJson::decode(TallowinDocumentJson::encode(document, layout, JsonSlashes::plain));
}

std::string readError(const std::string &json)
{
    try {
        (void)TallowinDocumentJson::decode(json);
    } catch (const JsonReadError &error) {
        return error.what();
    }
    return "read without error";
}

const std::string minimalTask = R"({"id": "KB-001", "order": 0, "person": "Me", "title": "A", "context": "",
    "kind": "open", "state": "active", "instruction": "", "result": "", "sources": [], "history": [],
    "createdAt": "2026-01-02T03:04:05Z", "updatedAt": "2026-01-02T03:04:05Z"})";

std::string deckWith(const std::string &tasks, const std::string &extra = "")
{
    return R"({"version": 2, "revision": 1, "title": "T", "updatedAt": "2026-01-02T03:04:05Z", "tasks": [)" + tasks
        + "]" + extra + "}";
}

TEST(TallowinDocumentJson, OptionalListsKeepAbsentAndEmptyApart)
{
    TallowinDocument document = makeDocument({makeTask("KB-001"), makeTask("KB-002")});
    document.tasks[0].mergedTaskIDs = std::vector<std::string> {};
    const std::string json = TallowinDocumentJson::encode(document, JsonLayout::compact, JsonSlashes::plain);
    EXPECT_NE(json.find(R"("mergedTaskIDs":[])"), std::string::npos);
    EXPECT_EQ(json.find("mergedTaskIDs"), json.rfind("mergedTaskIDs")) << "the absent list is not written";
    EXPECT_EQ(json.find("null"), std::string::npos);
    EXPECT_EQ(roundTrip(document), document);
    EXPECT_EQ(roundTrip(document, JsonLayout::compact), document);
}

TEST(TallowinDocumentJson, EveryFieldSurvivesARoundTrip)
{
    TallowinDocument document = makeDocument({makeTask("KB-001", std::numeric_limits<std::int64_t>::min()),
        makeTask("KB-002", std::numeric_limits<std::int64_t>::max(), TaskState::delayed)});
    TaskItem &task = document.tasks[0];
    task.kind = TaskKind::waitingOn;
    task.state = TaskState::actionRequested;
    task.delayTarget = "nextRun";
    task.instruction = "Draft the reply";
    task.followUpPerson = "Zoë";
    task.result = "Line one\nLine \"two\"\t\\ end \x01";
    task.highlighted = false;
    task.captureOrigin = "slack";
    task.sources = {TaskSource {
        "PR", "https://github.com/o/r/pull/7", "url:https://github.com/o/r/pull/7", test::fixedTime, "url:x|y"}};
    task.history = {test::makeEvent("h1"), test::makeEvent("h2", "2026-01-02T03:04:05+02:00", "renamed", "雪")};
    task.mergedTaskIDs = std::vector<std::string> {"KB-002"};
    task.mergedInto = "KB-002";
    document.runID = "run";
    document.runTaskIDs = std::vector<std::string> {"KB-001"};
    document.runProcessedIDs = std::vector<std::string> {};
    document.lastSlackScan = test::makeCompleteScan();
    document.lastSlackScan->lowerBoundAt = "2026-03-01T00:00:00.000Z";
    document.lastSlackScan->lanes = std::vector<ScanLaneEvidence> {ScanLaneEvidence {ScanLane::directMessages,
        std::nullopt, test::fixedTime, 4, 2, 9, true, "", "cursor", std::vector<std::string> {"https://a/b"}}};
    document.scanHistory = {test::makeCompleteScan("2026-03-13T00:00:00.000Z")};
    document.lastCompleteSlackScanAt = test::fixedTime;
    document.pendingCandidates = {makeCandidate("c1")};
    document.pendingCandidates[0].confidence = 0.1;
    document.pendingCandidates[0].sourceAuthor = "Ada";
    document.pendingCandidates[0].sourceTimestamp = test::fixedTime;
    document.dismissedCandidateKeys = {"slack:c1:p1|review-plan"};

    EXPECT_EQ(roundTrip(document), document);
    EXPECT_EQ(roundTrip(document, JsonLayout::compact), document);
}

TEST(TallowinDocumentJson, NumbersAreExactAndShortest)
{
    TallowinDocument document = makeDocument({makeTask("KB-001", -9007199254740993)});
    document.revision = std::numeric_limits<std::int64_t>::max();
    document.pendingCandidates = {makeCandidate("c1"), makeCandidate("c2"), makeCandidate("c3")};
    document.pendingCandidates[0].confidence = 0.1;
    document.pendingCandidates[1].confidence = 1.0 / 3.0;
    document.pendingCandidates[2].confidence = 1.0;
    const std::string json = TallowinDocumentJson::encode(document, JsonLayout::compact, JsonSlashes::plain);
    EXPECT_NE(json.find(R"("revision":9223372036854775807)"), std::string::npos);
    EXPECT_NE(json.find(R"("order":-9007199254740993)"), std::string::npos);
    EXPECT_NE(json.find(R"("confidence":0.1,)"), std::string::npos);
    EXPECT_NE(json.find(R"("confidence":0.3333333333333333,)"), std::string::npos);
    EXPECT_EQ(roundTrip(document), document);
}

TEST(TallowinDocumentJson, TextEscapingAndSlashes)
{
    TallowinDocument document = makeDocument({makeTask("KB-001")});
    document.tasks[0].title = "a/b \"q\" \\ \n \u001f Ünïcødé 🎉";
    const std::string plain = TallowinDocumentJson::encode(document, JsonLayout::compact, JsonSlashes::plain);
    EXPECT_NE(plain.find(R"("title":"a/b \"q\" \\ \n \u001f Ünïcødé 🎉")"), std::string::npos);
    const std::string escaped = TallowinDocumentJson::encode(document, JsonLayout::compact, JsonSlashes::escaped);
    EXPECT_NE(escaped.find(R"("title":"a\/b \"q\")"), std::string::npos);
    EXPECT_EQ(TallowinDocumentJson::decode(escaped), document);

    document.tasks[0].title = "bad \xff byte";
    EXPECT_THROW(TallowinDocumentJson::encode(document, JsonLayout::pretty, JsonSlashes::plain), std::invalid_argument);
}

TEST(TallowinDocumentJson, NullsAndMissingListsReadAsAbsentOrEmpty)
{
    const TallowinDocument document = TallowinDocumentJson::decode(deckWith(minimalTask,
        R"(, "runID": null, "lastSlackScan": null, "scanHistory": null, "pendingCandidates": null,
        "dismissedCandidateKeys": null, "somethingNew": {"ignored": [1, 2]})"));
    EXPECT_FALSE(document.runID.has_value());
    EXPECT_FALSE(document.lastSlackScan.has_value());
    EXPECT_TRUE(document.scanHistory.empty());
    ASSERT_EQ(document.tasks.size(), 1u);
    EXPECT_FALSE(document.tasks[0].mergedTaskIDs.has_value());
}

TEST(TallowinDocumentJson, ReadErrorsNameTheKey)
{
    EXPECT_EQ(readError(R"({"version": 2, "revision": 1, "updatedAt": "x", "tasks": []})"),
        "Tallowin data is missing the required key title.");
    EXPECT_EQ(readError(R"({"version": 2, "revision": "1", "title": "T", "updatedAt": "x", "tasks": []})"),
        "Tallowin data key revision must be an integer within the signed 64-bit range.");
    EXPECT_EQ(readError(R"({"version": 2, "revision": 9223372036854775808, "title": "T", "updatedAt": "x",
        "tasks": []})"),
        "Tallowin data key revision must be an integer within the signed 64-bit range.");
    EXPECT_EQ(readError(R"({"version": 2, "revision": 1, "title": null, "updatedAt": "x", "tasks": []})"),
        "Tallowin data key title must be a string.");

    std::string withoutKind = minimalTask;
    withoutKind.erase(withoutKind.find(R"("kind": "open", )"), 16);
    EXPECT_EQ(readError(deckWith(minimalTask + "," + withoutKind)),
        "Tallowin data is missing the required key tasks[1].kind.");

    std::string paused = minimalTask;
    paused.replace(paused.find("\"active\""), 8, "\"paused\"");
    EXPECT_EQ(readError(deckWith(paused)), "Tallowin data key tasks[0].state has the unknown value \"paused\".");

    std::string badEvent = minimalTask;
    badEvent.replace(
        badEvent.find(R"("history": [])"), 13, R"("history": [{"id": "h", "at": 5, "type": "t", "note": ""}])");
    EXPECT_EQ(readError(deckWith(badEvent)), "Tallowin data key tasks[0].history[0].at must be a string.");

    EXPECT_EQ(readError(deckWith("", R"(, "lastSlackScan": {"startedAt": "a", "finishedAt": "b",
        "selfMessages": true, "directMessages": true, "channels": true, "mentions": true, "allPagesRead": true,
        "note": "", "lanes": [{"lane": "pigeons", "upperBoundAt": "c", "conversationsInspected": 1,
        "pagesRead": 1, "threadsRead": 1, "exhausted": true}]})")),
        "Tallowin data key lastSlackScan.lanes[0].lane has the unknown value \"pigeons\".");
    EXPECT_EQ(readError(deckWith("", R"(, "dismissedCandidateKeys": ["a", 7])")),
        "Tallowin data key dismissedCandidateKeys[1] must be a string.");
}

TEST(TallowinDocumentJson, MalformedJsonIsRefused)
{
    for (const std::string &text : std::vector<std::string> {"", "{", "[]", "{\"version\": 2,}",
             deckWith(minimalTask) + " trailing", std::string("{\"title\": \"\xff\"}")}) {
        if (const auto error = THROWN_ERROR(JsonReadError, (void)TallowinDocumentJson::decode(text))) {
            EXPECT_EQ(error->kind(), JsonReadError::Kind::malformed) << text;
            EXPECT_EQ(std::string(error->what()).rfind("Tallowin data is not valid JSON: ", 0), 0u) << error->what();
        }
    }
}

} // namespace
} // namespace tallowin
