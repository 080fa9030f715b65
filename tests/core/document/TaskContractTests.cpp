#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TaskContractJson.h"
#include "TallowinCore/document/TaskContract.h"
#include "TallowinCore/document/TaskContractError.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

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

TEST(TaskContractJson, ErrorsNameTheKey)
{
    const auto message = [](const std::string &json) -> std::string {
        try {
            TaskContractJson::decode(json);
        } catch (const JsonReadError &error) {
            return error.what();
        }
        return "read";
    };
    const std::string good = R"({"schemaVersion": 1, "id": "KB-1", "person": "Ada", "title": "One", "kind": "open"})";
    EXPECT_EQ(message("[" + good + "," + good + R"(, {"schemaVersion": 1, "id": "KB-3", "person": "Cy",
        "title": "Three", "kind": "urgent"}])"),
        "Tallowin data key contracts[2].kind has the unknown value \"urgent\".");
    EXPECT_EQ(message(R"([{"schemaVersion": 1, "id": "KB-1", "person": "Ada", "kind": "open"}])"),
        "Tallowin data is missing the required key contracts[0].title.");
    EXPECT_EQ(message(R"([{"schemaVersion": "1", "id": "KB-1", "person": "Ada", "title": "T", "kind": "open"}])"),
        "Tallowin data key contracts[0].schemaVersion must be an integer within the signed 64-bit range.");
    EXPECT_EQ(message(R"({"schemaVersion": 1, "id": "KB-1", "person": "Ada", "title": "T", "kind": "open",
        "sources": [{"label": "L", "url": 7}]})"),
        "Tallowin data key sources[0].url must be a string.");
    EXPECT_EQ(message(R"([1])"), "Tallowin data key contracts[0] must be an object.");
    EXPECT_EQ(
        message(R"("text")"), "Tallowin data key contracts must be an array of task contracts or one task contract.");

    if (const auto error = THROWN_ERROR(JsonReadError, TaskContractJson::decode(R"([{"id": )"))) {
        EXPECT_EQ(error->kind(), JsonReadError::Kind::malformed);
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
