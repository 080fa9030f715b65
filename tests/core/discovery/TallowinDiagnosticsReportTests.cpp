#include "TallowinCore/discovery/TallowinDiagnosticsReport.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

#include <string>

namespace tallowin {
namespace {

TallowinInstant exportTime()
{
    return *TallowinClock::date("2026-03-20T16:45:10.250Z");
}

TallowinDiagnosticsInput baseInput(TallowinDocument document)
{
    TallowinDiagnosticsInput input;
    input.document = std::move(document);
    input.filePath = "/home/ada/.local/share/Tallowin/Tallowin.md";
    input.settingsFilePath = "/home/ada/.local/share/Tallowin/Tallowin.toml";
    input.shortVersion = "0.1.0";
    input.buildNumber = "42";
    input.operatingSystemVersion = "Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64)";
    return input;
}

const std::string header = "# Tallowin diagnostics\n"
                           "\n"
                           "Exported: 2026-03-20T16:45:10.250Z\n"
                           "App: 0.1.0 (42)\n"
                           "macOS: Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64)\n"
                           "Canonical file: /home/ada/.local/share/Tallowin/Tallowin.md\n"
                           "Settings file: /home/ada/.local/share/Tallowin/Tallowin.toml\n";

const std::string tableHead = "\n"
                              "## Activity by task\n"
                              "\n"
                              "Task text and source URLs are omitted. Event names remain for diagnosis.\n"
                              "\n"
                              "| Task | State | Pile | Resume at | Updated | Events |\n"
                              "| --- | --- | --- | --- | --- | --- |\n";

TEST(TallowinDiagnosticsReport, EmptyDeck)
{
    const std::string expected = header
        + "Automatic scan: true\n"
          "Scan interval hours: 1\n"
          "VIP count: 0\n"
          "VIP activity/comments/pushed changes: true/true/true\n"
          "Document version: 2\n"
          "Revision: 1\n"
          "Updated: 2026-03-14T09:26:53.589Z\n"
          "Run ID: none\n"
          "Run tasks: none\n"
          "Processed tasks: none\n"
          "Active: 0\n"
          "Delayed: 0\n"
          "With ChatGPT: 0\n"
          "Completed: 0\n"
          "Merged: 0\n"
          "Removed: 0\n"
        + tableHead
        + "| None | | | | | |\n"
          "\n"
          "## Scan history\n"
          "\n"
          "No scan history is stored.\n"
          "\n"
          "## Last import\n"
          "\n"
          "No import in this session.\n";
    EXPECT_EQ(TallowinDiagnosticsReport::build(baseInput(test::makeDocument()), exportTime()), expected);
}

TEST(TallowinDiagnosticsReport, MissingVersionTextsAreUnknown)
{
    TallowinDiagnosticsInput input = baseInput(test::makeDocument());
    input.shortVersion.clear();
    input.buildNumber.clear();
    input.operatingSystemVersion.clear();
    const std::string report = TallowinDiagnosticsReport::build(input, exportTime());
    EXPECT_NE(report.find("\nApp: unknown (unknown)\nmacOS: unknown\n"), std::string::npos) << report;
}

TallowinDocument everyStateDeck()
{
    using test::makeEvent;
    using test::makeTask;
    TaskItem plain = makeTask("KB-005", 5);
    plain.history = {makeEvent("e1", "2026-03-01T08:00:00.000Z", "pipeline_created")};
    TaskItem nextRun = makeTask("KB-002", 2);
    nextRun.delayTarget = "nextRun";
    nextRun.highlighted = true;
    nextRun.history = {makeEvent("e2", "2026-03-01T08:00:00.000Z", "manual_created"),
        makeEvent("e3", "2026-03-02T08:00:00.000Z", "next_run")};
    TaskItem tomorrow = makeTask("KB-003", 3, TaskState::delayed);
    tomorrow.delayTarget = "tomorrow";
    tomorrow.resumeAt = "2026-03-15T09:26:53.589Z";
    TaskItem untargeted = makeTask("KB-011", 11, TaskState::delayed);
    untargeted.resumeAt = "2026-04-01T07:00:00.000Z";
    TaskItem withAgent = makeTask("KB-006", 6, TaskState::actionRequested);
    withAgent.history = {makeEvent("e4", "2026-03-03T08:00:00.000Z", "action_requested")};
    TaskItem done = makeTask("KB-007", 7, TaskState::completed);
    done.updatedAt = "2026-03-10T12:00:00.000Z";
    done.history = {makeEvent("e5", "2026-03-01T08:00:00.000Z", "pipeline_created"),
        makeEvent("e6", "2026-03-10T12:00:00.000Z", "completed")};
    TaskItem merged = makeTask("KB-008", 8, TaskState::merged);
    merged.mergedInto = "KB-009";
    TaskItem shared = makeTask("KB-009", 9);
    shared.highlighted = false;
    shared.mergedTaskIDs = std::vector<std::string> {"KB-008"};
    TaskItem removed = makeTask("KB-010", 1, TaskState::removed);

    TallowinDocument document
        = test::makeDocument({plain, nextRun, tomorrow, untargeted, withAgent, done, merged, shared, removed});
    document.revision = 17;
    document.updatedAt = "2026-03-19T10:00:00.000Z";
    document.runID = "0f6c2a61-4a0e-4a67-9d5e-6f9b0e4b1c11";
    document.runTaskIDs = std::vector<std::string> {"KB-002", "KB-005", "KB-009"};
    document.runProcessedIDs = std::vector<std::string> {"KB-002"};

    ScanReport partial;
    partial.startedAt = "2026-03-18T08:00:00.000Z";
    partial.finishedAt = "2026-03-18T08:05:00.000Z";
    partial.lowerBoundAt = "2026-03-11T08:00:00.000Z";
    partial.selfMessages = partial.directMessages = partial.channels = partial.mentions = true;
    partial.allPagesRead = false;
    partial.note = "Slack rate limit reached.";
    ScanLaneEvidence self {ScanLane::selfMessages, std::nullopt, partial.finishedAt, 3, 2, 5, true, std::nullopt,
        std::nullopt, std::nullopt};
    ScanLaneEvidence direct {ScanLane::directMessages, std::nullopt, partial.finishedAt, 4, 7, 1, false, std::nullopt,
        "cursor-abc", std::vector<std::string> {"https://slack.example/t/1", "https://slack.example/t/2"}};
    ScanLaneEvidence channels {ScanLane::channels, std::nullopt, partial.finishedAt, 0, 0, 0, false, "rate limited",
        std::nullopt, std::vector<std::string> {}};
    ScanLaneEvidence mentions {
        ScanLane::mentions, std::nullopt, partial.finishedAt, 1, 1, 0, true, std::nullopt, std::nullopt, std::nullopt};
    partial.lanes = std::vector<ScanLaneEvidence> {self, direct, channels, mentions};
    document.scanHistory = {partial, test::makeCompleteScan("2026-03-19T08:10:00.000Z")};
    return document;
}

TEST(TallowinDiagnosticsReport, DeckWithEveryStateScansAndAnImport)
{
    TallowinDiagnosticsInput input = baseInput(everyStateDeck());
    input.settings.automaticScanEnabled = false;
    input.settings.scanIntervalHours = 6;
    input.settings.vipNames = {"Grace", "Linus"};
    input.settings.trackVIPComments = false;
    TallowinImportReport import;
    import.sources = {{"/home/ada/Old decks/Tallowin.md", TallowinImportReport::Outcome::imported, std::nullopt},
        { "/home/ada/notes.md",
            TallowinImportReport::Outcome::invalid,
            "Tallowin data markers are missing." }};
    input.importReport = import;

    const std::string expected = header
        + "Automatic scan: false\n"
          "Scan interval hours: 6\n"
          "VIP count: 2\n"
          "VIP activity/comments/pushed changes: true/false/true\n"
          "Document version: 2\n"
          "Revision: 17\n"
          "Updated: 2026-03-19T10:00:00.000Z\n"
          "Run ID: 0f6c2a61-4a0e-4a67-9d5e-6f9b0e4b1c11\n"
          "Run tasks: KB-002, KB-005, KB-009\n"
          "Processed tasks: KB-002\n"
          "Active: 3\n"
          "Delayed: 2\n"
          "With ChatGPT: 1\n"
          "Completed: 1\n"
          "Merged: 1\n"
          "Removed: 1\n"
        + tableHead
        + "| KB-002 | active | nextRun |  | 2026-03-14T09:26:53.589Z | manual_created, next_run |\n"
          "| KB-010 | removed | removed |  | 2026-03-14T09:26:53.589Z |  |\n"
          "| KB-003 | delayed | tomorrow | 2026-03-15T09:26:53.589Z | 2026-03-14T09:26:53.589Z |  |\n"
          "| KB-005 | active | active |  | 2026-03-14T09:26:53.589Z | pipeline_created |\n"
          "| KB-006 | action_requested | with_chatgpt |  | 2026-03-14T09:26:53.589Z | action_requested |\n"
          "| KB-007 | completed | completed |  | 2026-03-10T12:00:00.000Z | pipeline_created, completed |\n"
          "| KB-008 | merged | merged |  | 2026-03-14T09:26:53.589Z |  |\n"
          "| KB-009 | active | active |  | 2026-03-14T09:26:53.589Z |  |\n"
          "| KB-011 | delayed | active | 2026-04-01T07:00:00.000Z | 2026-03-14T09:26:53.589Z |  |\n"
          "\n"
          "## Scan history\n"
          "\n"
          "- 2026-03-18T08:00:00.000Z to 2026-03-18T08:05:00.000Z, lower bound 2026-03-11T08:00:00.000Z, "
          "complete false, note Slack rate limit reached.: "
          "self_messages: pages=2, threads=5, exhausted=true, cursor=none, pendingThreads=0, failure=none; "
          "direct_messages: pages=7, threads=1, exhausted=false, cursor=saved, pendingThreads=2, failure=none; "
          "channels: pages=0, threads=0, exhausted=false, cursor=none, pendingThreads=0, failure=rate limited; "
          "mentions: pages=1, threads=0, exhausted=true, cursor=none, pendingThreads=0, failure=none\n"
          "- 2026-03-14T08:00:00.000Z to 2026-03-19T08:10:00.000Z, lower bound none, complete true, note Done.: \n"
          "\n"
          "## Last import\n"
          "\n"
          "Import: 1 imported, 0 already present, 0 inaccessible, 1 invalid.\n"
          "- /home/ada/Old decks/Tallowin.md: imported. \n"
          "- /home/ada/notes.md: invalid. Tallowin data markers are missing.\n";
    EXPECT_EQ(TallowinDiagnosticsReport::build(input, exportTime()), expected);
}

TEST(TallowinDiagnosticsReport, TiesInOrderKeepTheDeckOrder)
{
    TallowinDocument document
        = test::makeDocument({test::makeTask("KB-003", 4), test::makeTask("KB-001", 4), test::makeTask("KB-002", 4)});
    document.tasks[2].highlighted = true;
    const std::string report = TallowinDiagnosticsReport::build(baseInput(document), exportTime());
    const auto at = [&](const char *id) { return report.find(std::string("| ") + id + " |"); };
    EXPECT_LT(at("KB-002"), at("KB-003"));
    EXPECT_LT(at("KB-003"), at("KB-001"));
}

// Every piece of text a user wrote or an agent copied from a conversation carries the marker.
TallowinDocument deckFullOfSecrets()
{
    TallowinDocument document = everyStateDeck();
    document.title = "SECRET-deck-title";
    int serial = 0;
    for (TaskItem &task : document.tasks) {
        const std::string n = std::to_string(++serial);
        task.title = "SECRET-title-" + n;
        task.context = "SECRET-context-" + n;
        task.person = "SECRET-person-" + n;
        task.instruction = "SECRET-instruction-" + n;
        task.result = "SECRET-result-" + n;
        task.followUpPerson = "SECRET-follow-up-" + n;
        task.sources = {{"SECRET-label-" + n, "https://example.com/SECRET-link-" + n, "url:SECRET-key-" + n,
            std::string(test::fixedTime), "url:SECRET-item-" + n}};
        task.history.push_back(test::makeEvent("secret-event-" + n, test::fixedTime, "renamed", "SECRET-note-" + n));
    }
    TaskCandidate candidate = test::makeCandidate("c1", "https://example.com/SECRET-candidate-link");
    candidate.title = "SECRET-candidate-title";
    candidate.person = "SECRET-candidate-person";
    candidate.context = "SECRET-candidate-context";
    candidate.classificationReason = "SECRET-reason";
    document.pendingCandidates = {candidate};
    document.dismissedCandidateKeys = {"url:SECRET-dismissed"};
    return document;
}

TEST(TallowinDiagnosticsReport, LeavesOutWhatTheCardsSay)
{
    TallowinDiagnosticsInput input = baseInput(deckFullOfSecrets());
    input.settings.vipNames = {"SECRET-vip"};
    const std::string report = TallowinDiagnosticsReport::build(input, exportTime());
    EXPECT_EQ(report.find("SECRET"), std::string::npos) << report;
    // The cards are all there, just without their text.
    EXPECT_NE(report.find("| KB-009 | active | active |  | 2026-03-14T09:26:53.589Z | renamed |\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find("\nVIP count: 1\n"), std::string::npos);
}

} // namespace
} // namespace tallowin
