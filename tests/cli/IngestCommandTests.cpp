#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallowin {
namespace {

using test::runCli;

std::string contract(const std::string &id, const std::string &title)
{
    return R"({"schemaVersion": 1, "id": ")" + id + R"(", "person": "Ops", "title": ")" + title
        + R"(", "kind": "check"})";
}

// One ingest after another on the same deck: what each prints, how it ends, and the revision it leaves.
TEST(IngestCommand, ConfirmsWhatChangedAndNamesPipelineInputWhenItIsAtFault)
{
    test::TemporaryFolder folder;
    const std::string deck = folder.path("Tallowin.md").string();
    struct Step
    {
        std::string input;
        int exitCode;
        std::string out;
        std::string err;
        std::int64_t revision;
    };
    const std::vector<Step> steps = {
        {"[" + contract("KB-900", "Rotate keys") + "," + contract("KB-901", "Renew certificate") + "]", 0,
            "Pipeline input: 2 added, 0 updated, 0 unchanged.\n", "", 2},
        {"[" + contract("KB-900", "Rotate keys") + "," + contract("KB-901", "Renew certificate") + "]", 0, "", "", 2},
        {"[" + contract("KB-900", "Rotate keys") + "," + contract("KB-901", "Renew the certificate") + ","
                + contract("KB-902", "Audit access") + "]",
            0, "Pipeline input: 1 added, 1 updated, 1 unchanged.\n", "", 3},
        // One object is a list of one.
        {contract("KB-900", "Rotate all keys"), 0, "Pipeline input: 0 added, 1 updated, 0 unchanged.\n", "", 4},
        {"[" + contract("KB-903", "New") + R"(, {"schemaVersion": 1, "id": "KB-904", "person": "Ops",
            "kind": "check"}])",
            1, "", "Pipeline input item 2 is missing the key title.\n", 4},
        {R"({"schemaVersion": 1, "id": "KB-905", "person": "Ops", "title": "T", "kind": "urgent"})", 1, "",
            "Pipeline input key kind has the unknown value \"urgent\".\n", 4},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.input);
        const auto result
            = runCli({"--file", deck, "--now", "2026-03-20T12:00:00.000Z", "ingest", "-"}, {}, step.input);
        EXPECT_EQ(result.exitCode, step.exitCode);
        EXPECT_EQ(result.out, step.out);
        EXPECT_EQ(result.err, step.err);
        EXPECT_EQ(TaskMarkdownCodec::decode(folder.read("Tallowin.md")).revision, step.revision);
    }

    const auto malformed = runCli({"--file", deck, "ingest", "-"}, {}, R"([{"id": )");
    EXPECT_EQ(malformed.exitCode, 1);
    EXPECT_TRUE(malformed.err.starts_with("Pipeline input is not valid JSON: ")) << malformed.err;
    EXPECT_EQ(TaskMarkdownCodec::decode(folder.read("Tallowin.md")).revision, 4);
}

} // namespace
} // namespace tallowin
