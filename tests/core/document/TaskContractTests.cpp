#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TaskContractJson.h"
#include "TallowinCore/document/TaskContract.h"
#include "TallowinCore/document/TaskContractError.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tallowin {
namespace {

TaskContract makeContract()
{
    TaskContract contract;
    contract.id = "KB-100";
    contract.person = "Ada";
    contract.title = "Send the numbers";
    contract.context = "Asked on Monday";
    contract.kind = TaskKind::waitingOn;
    contract.instruction = "Draft a reply";
    contract.sources = {TaskSource {"#finance", "https://example.com/archives/C1/p1", std::nullopt, std::nullopt, {}}};
    return contract;
}

std::string validationMessage(const TaskContract &contract)
{
    try {
        contract.validated();
    } catch (const TaskContractError &error) {
        return error.what();
    }
    return "valid";
}

TEST(TaskContract, ValidatedTrimsTextFields)
{
    TaskContract contract = makeContract();
    contract.id = " KB-100\n";
    contract.person = "\tAda ";
    contract.title = "  Send the numbers";
    contract.context = "\nAsked on Monday  ";
    contract.instruction = "  Draft a reply\n";
    contract.sources[0].label = " #finance ";
    const TaskContract original = contract;

    TaskContract expected = makeContract();
    expected.sources[0].label = " #finance ";
    EXPECT_EQ(contract.validated(), expected) << "labels and links are kept as given";
    EXPECT_EQ(contract, original);
}

TEST(TaskContract, ValidationReportsTheFirstProblem)
{
    TaskContract contract = makeContract();
    contract.schemaVersion = 2;
    contract.id = " ";
    EXPECT_EQ(validationMessage(contract), "Task contract schema version 2 is not supported.");

    contract = makeContract();
    contract.id = "";
    contract.title = "   ";
    EXPECT_EQ(validationMessage(contract), "Task contract field id must not be empty.");
    contract.id = "KB-1";
    contract.person = "\n";
    EXPECT_EQ(validationMessage(contract), "Task contract field person must not be empty.");
    contract.person = "Ada";
    EXPECT_EQ(validationMessage(contract), "Task contract field title must not be empty.");

    contract = makeContract();
    contract.sources.push_back(TaskSource {"Files", "ftp://example.com/report", {}, {}, {}});
    EXPECT_EQ(validationMessage(contract), "Task contract source URL is invalid: ftp://example.com/report");
    contract.sources.back() = TaskSource {"  ", "https://example.com/fine", {}, {}, {}};
    EXPECT_EQ(validationMessage(contract), "Task contract source URL is invalid: https://example.com/fine")
        << "a blank label is reported with the link";

    EXPECT_THROW_SENTENCE(
        TaskContractError, TaskContractError::invalidSourceURL("https://example.com/fine"), contract.validated());
}

TEST(TaskContractJson, ReadsAnArrayWithOptionalKeysMissingOrNull)
{
    const auto contracts = TaskContractJson::decode(R"([
        {"schemaVersion": 1, "id": "KB-1", "person": "Ada", "title": "One", "kind": "open"},
        {"schemaVersion": 1, "id": "KB-2", "person": "Bo", "title": "Two", "kind": "at_risk",
         "context": null, "instruction": null, "sources": null, "extra": [1, 2]},
        {"schemaVersion": 1, "id": "KB-3", "person": "Cy", "title": "Three", "kind": "check",
         "context": "Why", "instruction": "Do it",
         "sources": [{"label": "PR", "url": "https://example.com/pr/1", "sourceKey": null, "resolvedAt": "x"}]}
    ])");
    ASSERT_EQ(contracts.size(), 3u);
    EXPECT_EQ(contracts[0].context, "");
    EXPECT_EQ(contracts[0].instruction, "");
    EXPECT_TRUE(contracts[0].sources.empty());
    EXPECT_EQ(contracts[0].kind, TaskKind::open);
    EXPECT_EQ(contracts[1].kind, TaskKind::atRisk);
    EXPECT_TRUE(contracts[1].sources.empty());
    EXPECT_EQ(contracts[2].context, "Why");
    EXPECT_EQ(contracts[2].instruction, "Do it");
    EXPECT_EQ(contracts[2].sources,
        (std::vector<TaskSource> {TaskSource {"PR", "https://example.com/pr/1", std::nullopt, "x", std::nullopt}}));
}

TEST(TaskContractJson, ReadsASingleObject)
{
    const auto contracts = TaskContractJson::decode(
        R"({"schemaVersion": 3, "id": "KB-1", "person": "Ada", "title": "One", "kind": "commitment"})");
    ASSERT_EQ(contracts.size(), 1u);
    EXPECT_EQ(contracts[0].schemaVersion, 3) << "read as given; validation judges it";
}

// Pipeline input is an agent's: its faults are named as the input's, never as the deck's, with the item and key.
TEST(TaskContractJson, ErrorsNamePipelineInputTheItemAndTheKey)
{
    const auto message = [](const std::string &json) -> std::string {
        const auto error = THROWN_ERROR(JsonReadError, TaskContractJson::decode(json));
        return error ? error->what() : "read";
    };
    const std::string good = R"({"schemaVersion": 1, "id": "KB-1", "person": "Ada", "title": "One", "kind": "open"})";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[" + good + "," + good + R"(, {"schemaVersion": 1, "id": "KB-3", "person": "Cy",
        "title": "Three", "kind": "urgent"}])",
            "Pipeline input item 3 key kind has the unknown value \"urgent\"."},
        {R"([{"schemaVersion": 1, "id": "KB-1", "person": "Ada", "kind": "open"}])",
            "Pipeline input item 1 is missing the key title."},
        {"[" + good + R"(, {"id": "KB-1", "person": "Ada", "title": "T", "kind": "open"}])",
            "Pipeline input item 2 is missing the key schemaVersion."},
        {R"([{"schemaVersion": "1", "id": "KB-1", "person": "Ada", "title": "T", "kind": "open"}])",
            "Pipeline input item 1 key schemaVersion must be an integer within the signed 64-bit range."},
        {R"({"schemaVersion": 1, "id": "KB-1", "person": "Ada", "title": "T", "kind": "open",
        "sources": [{"label": "L", "url": 7}]})",
            "Pipeline input key sources[0].url must be a string."},
        {R"({"schemaVersion": 1, "id": "KB-1", "person": "Ada", "kind": "open"})",
            "Pipeline input is missing the key title."},
        {R"([1])", "Pipeline input item 1 must be an object."},
        {R"("text")", "Pipeline input must be an array of task contracts or one task contract."},
    };
    for (const auto &[json, sentence] : cases)
        EXPECT_EQ(message(json), sentence) << json;

    if (const auto error = THROWN_ERROR(JsonReadError, TaskContractJson::decode(R"([{"id": )"))) {
        EXPECT_EQ(error->kind(), JsonReadError::Kind::malformed);
        EXPECT_TRUE(std::string(error->what()).starts_with("Pipeline input is not valid JSON: ")) << error->what();
    }
}

TEST(TaskContractJson, WritesAllEightKeys)
{
    TaskContract contract;
    contract.id = "KB-1";
    contract.person = "Ada";
    contract.title = "One";
    EXPECT_EQ(TaskContractJson::encode(contract, JsonLayout::compact, JsonSlashes::plain),
        R"({"context":"","id":"KB-1","instruction":"","kind":"commitment","person":"Ada","schemaVersion":1,)"
        R"("sources":[],"title":"One"})");

    const std::vector<TaskContract> contracts = {makeContract(), contract};
    const std::string json = TaskContractJson::encode(contracts, JsonLayout::pretty, JsonSlashes::escaped);
    EXPECT_EQ(TaskContractJson::decode(json), contracts);
}

} // namespace
} // namespace tallowin
