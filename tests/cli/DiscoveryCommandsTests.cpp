#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/discovery/TallowinDiscoveryLink.h"
#include "TallowinCore/discovery/TallowinSystemInfo.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include "tests/support/DiscoveryPromptText.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tallowin {
namespace {

using test::runCli;

const std::string &instructionBlock = test::discoveryInstructionBlock;

std::string withEscapedSlashes(const std::string &path)
{
    std::string result;
    for (const char c : path) {
        if (c == '/')
            result += '\\';
        result += c;
    }
    return result;
}

class DiscoveryCommands : public ::testing::Test
{
protected:
    // The folder's name has a space and a non-ASCII letter, as a user's own folder may.
    std::string deckPath() const { return folder.path("Zoë Decks/Tallowin.md").string(); }
    std::string settingsPath() const { return folder.path("Zoë Decks/Tallowin.toml").string(); }

    void writeDeck(const TallowinDocument &document)
    {
        folder.write("Zoë Decks/Tallowin.md", TaskMarkdownCodec::encode(document));
        ::chmod(deckPath().c_str(), 0600);
    }
    void writeSettings(const std::string &text)
    {
        folder.write("Zoë Decks/Tallowin.toml", text);
        ::chmod(settingsPath().c_str(), 0600);
    }

    test::TemporaryFolder folder;
};

TEST_F(DiscoveryCommands, PromptCarriesTheAbsoluteDeckPath)
{
    const std::string expected = instructionBlock + "{\"expectedFilePath\":\"" + withEscapedSlashes(deckPath()) + "\"}";

    auto result = runCli({"--file", deckPath(), "prompt"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, expected);

    result = runCli({"prompt"}, {{"TALLOWIN_FILE_PATH", deckPath()}});
    EXPECT_EQ(result.out, expected);

    // The child runs in this process's folder, where a relative --file is made absolute, without "." or "..".
    const std::filesystem::path relative = std::filesystem::relative(deckPath());
    ASSERT_TRUE(relative.is_relative());
    result = runCli({"--file", relative.string(), "prompt"});
    EXPECT_EQ(result.out, expected);
    EXPECT_FALSE(std::filesystem::exists(deckPath())) << "the prompt needs no deck and creates none";
}

TEST_F(DiscoveryCommands, CodexLinkCarriesThePromptAndTheDeckFolder)
{
    const auto result = runCli({"--file", deckPath(), "codex-link"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, TallowinDiscoveryLink::codexLink(deckPath()) + "\n");
    EXPECT_TRUE(result.out.starts_with("codex://threads/new?prompt=Use%20the%20Tallowin%20skill%20")) << result.out;
    const std::string folderEncoded = "/Zo%C3%AB%20Decks";
    EXPECT_TRUE(result.out.ends_with(folderEncoded + "&mode=work\n")) << result.out;
    EXPECT_NE(result.out.find("&path=" + folder.root().string()), std::string::npos) << result.out;
    EXPECT_FALSE(std::filesystem::exists(deckPath()));
}

TEST_F(DiscoveryCommands, DiagnosticsDescribesTheDeckAndTheSettingsFile)
{
    TaskItem delayed = test::makeTask("KB-002", 2, TaskState::delayed);
    delayed.delayTarget = "tomorrow";
    delayed.history = {test::makeEvent("ev-1", test::fixedTime, "pipeline_created"),
        test::makeEvent("ev-2", test::fixedTime, "delayed")};
    TallowinDocument document = test::makeDocument({test::makeTask("KB-001", 1), delayed});
    document.revision = 4;
    document.scanHistory = {test::makeCompleteScan()};
    writeDeck(document);
    writeSettings("schema_version = 1\n\n[scan]\nenabled = false\ninterval_hours = 3\n\n[vip]\nnames = [\"Grace\"]\n"
                  "track_pushed_changes = false\n");

    const auto result = runCli({"--file", deckPath(), "--now", "2026-03-20T17:45:10.250+01:00", "diagnostics"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string expected = "# Tallowin diagnostics\n"
                                 "\n"
                                 "Exported: 2026-03-20T16:45:10.250Z\n"
                                 "App: "
        + TallowinSystemInfo::shortVersion() + " (" + TallowinSystemInfo::buildNumber()
        + ")\n"
          "macOS: "
        + TallowinSystemInfo::operatingSystemVersion()
        + "\n"
          "Canonical file: "
        + deckPath()
        + "\n"
          "Settings file: "
        + settingsPath()
        + "\n"
          "Automatic scan: false\n"
          "Scan interval hours: 3\n"
          "VIP count: 1\n"
          "VIP activity/comments/pushed changes: true/true/false\n"
          "Document version: 2\n"
          "Revision: 4\n"
          "Updated: 2026-03-14T09:26:53.589Z\n"
          "Run ID: none\n"
          "Run tasks: none\n"
          "Processed tasks: none\n"
          "Active: 1\n"
          "Delayed: 1\n"
          "With ChatGPT: 0\n"
          "Completed: 0\n"
          "Merged: 0\n"
          "Removed: 0\n"
          "\n"
          "## Activity by task\n"
          "\n"
          "Task text and source URLs are omitted. Event names remain for diagnosis.\n"
          "\n"
          "| Task | State | Pile | Resume at | Updated | Events |\n"
          "| --- | --- | --- | --- | --- | --- |\n"
          "| KB-001 | active | active |  | 2026-03-14T09:26:53.589Z |  |\n"
          "| KB-002 | delayed | tomorrow | 2026-03-15T09:00:00.000Z | 2026-03-14T09:26:53.589Z | pipeline_created, "
          "delayed |\n"
          "\n"
          "## Scan history\n"
          "\n"
          "- 2026-03-14T08:00:00.000Z to 2026-03-14T09:26:53.589Z, lower bound none, complete true, note Done.: \n"
          "\n"
          "## Last import\n"
          "\n"
          "No import in this session.\n";
    EXPECT_EQ(result.out, expected);
}

TEST_F(DiscoveryCommands, DiagnosticsWithoutSettingsFileUsesTheDefaultsAndCreatesNothing)
{
    writeDeck(test::makeDocument());
    const auto result = runCli({"--file", deckPath(), "diagnostics"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\nAutomatic scan: true\nScan interval hours: 1\nVIP count: 0\n"
                              "VIP activity/comments/pushed changes: true/true/true\n"),
        std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\n| None | | | | | |\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));
}

TEST_F(DiscoveryCommands, DiagnosticsFailsLikeTheOtherReadingCommands)
{
    auto result = runCli({"--file", deckPath(), "diagnostics"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "The file " + deckPath() + " does not exist.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(folder.path("Zoë Decks")));

    writeDeck(test::makeDocument());
    writeSettings("[scan]\nenabled = maybe\n");
    result = runCli({"--file", deckPath(), "diagnostics"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Tallowin.toml has an invalid value: scan.enabled must be true or false.\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(DiscoveryCommands, DiagnosticsLeaksNoTaskText)
{
    std::vector<TaskItem> tasks;
    for (const TaskState state : allTaskStates)
        tasks.push_back(test::makeTask("KB-10" + std::to_string(tasks.size()), 1, state));
    for (TaskItem &task : tasks) {
        task.title = "SECRET title " + task.id;
        task.context = "SECRET context";
        task.person = "SECRET person";
        task.instruction = "SECRET instruction";
        task.result = "SECRET result";
        task.followUpPerson = "SECRET follow-up";
        task.sources
            = {{"SECRET label", "https://example.com/SECRET-" + task.id, std::nullopt, std::nullopt, std::nullopt}};
        task.history = {test::makeEvent("ev-" + task.id, test::fixedTime, "renamed", "SECRET note")};
    }
    tasks[5].mergedInto = "KB-100";
    TallowinDocument document = test::makeDocument(tasks);
    document.title = "SECRET deck title";
    TaskCandidate candidate = test::makeCandidate("c1", "https://example.com/SECRET-candidate");
    candidate.title = "SECRET candidate";
    document.pendingCandidates = {candidate};
    writeDeck(document);
    writeSettings("[vip]\nnames = [\"SECRET vip\"]\n");

    const auto result = runCli({"--file", deckPath(), "diagnostics"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.find("SECRET"), std::string::npos) << result.out;
    for (const TaskItem &task : tasks)
        EXPECT_NE(result.out.find("| " + task.id + " | "), std::string::npos) << task.id;
    EXPECT_NE(result.out.find("\nVIP count: 1\n"), std::string::npos);
}

} // namespace
} // namespace tallowin
