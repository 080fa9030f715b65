#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/storage/TallowinImportReport.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {
namespace {

using test::entriesOf;

namespace fs = std::filesystem;
using Outcome = TallowinImportReport::Outcome;
using Source = TallowinImportReport::Source;
using test::makeEvent;
using test::makeTask;

constexpr const char *importTime = "2026-04-01T10:00:00.000Z";
constexpr const char *backupNamePattern
    = "Tallowin-4-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\.md";

mode_t modeOf(const fs::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot inspect " + path.string());
    return status.st_mode & 07777;
}

// Revision 4 with three cards; KB-003 was created a day before the others.
TallowinDocument canonicalDeck()
{
    TallowinDocument deck = test::makeDocument(
        {makeTask("KB-001", 1), makeTask("KB-002", 2, TaskState::completed), makeTask("KB-003", 3)});
    deck.revision = 4;
    deck.tasks[0].history = {makeEvent("e1", "2026-03-10T08:00:00.000Z")};
    deck.tasks[2].createdAt = "2026-03-13T09:26:53.589Z";
    return deck;
}

// A file that brings one new card with the given ID and state.
TallowinDocument deckWithNewCard(const std::string &id, TaskState state = TaskState::active)
{
    TallowinDocument deck = test::makeDocument({makeTask(id, 10, state)});
    deck.tasks[0].history = {makeEvent("event-of-" + id)};
    return deck;
}

class TallowinImportTest : public ::testing::Test
{
protected:
    void writeDeck(const std::string &relative, const TallowinDocument &deck) const
    {
        folder.write(relative, TaskMarkdownCodec::encode(deck));
    }
    std::string canonicalText() const { return folder.read("Decks/Tallowin.md"); }
    TallowinDocument stored() const { return TaskMarkdownCodec::decode(canonicalText()); }

    // Imports and expects nothing written: the canonical bytes as before, no backup, no lock left.
    TallowinImportReport importWithoutWriting(const std::vector<fs::path> &urls)
    {
        const std::string before = canonicalText();
        TallowinImportReport report = repository.importFiles(urls);
        EXPECT_EQ(canonicalText(), before);
        EXPECT_EQ(report.document, TaskMarkdownCodec::decode(before));
        EXPECT_EQ(report.backupPath, std::nullopt);
        EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
        return report;
    }

    void expectWholeImportFails(const std::function<void()> &import, const std::string &message) const
    {
        const std::string before = canonicalText();
        EXPECT_THROW_SENTENCE(std::exception, message, import());
        EXPECT_EQ(canonicalText(), before);
        EXPECT_FALSE(fs::exists(folder.path("Decks/ImportBackups")));
    }

    test::TemporaryFolder folder;
    const fs::path canonical = folder.path("Decks/Tallowin.md");
    TallowinRepository repository {canonical, [] { return *TallowinClock::date(importTime); }};
};

TEST(TallowinImportReport, SummaryCountsEveryOutcome)
{
    TallowinImportReport report;
    EXPECT_EQ(report.summary(), "Import: 0 imported, 0 already present, 0 inaccessible, 0 invalid.");
    EXPECT_EQ(report.importedCount(), 0u);

    report.sources = {{"a.md", Outcome::imported, std::nullopt}, {"b.md", Outcome::invalid, "Bad."},
        {"c.md", Outcome::duplicate, std::nullopt}, {"d.md", Outcome::imported, std::nullopt}};
    EXPECT_EQ(report.summary(), "Import: 2 imported, 1 already present, 0 inaccessible, 1 invalid.");
    EXPECT_EQ(report.importedCount(), 2u);

    EXPECT_EQ(rawValue(Outcome::imported), "imported");
    EXPECT_EQ(rawValue(Outcome::duplicate), "duplicate");
    EXPECT_EQ(rawValue(Outcome::inaccessible), "inaccessible");
    EXPECT_EQ(rawValue(Outcome::invalid), "invalid");
}

TEST_F(TallowinImportTest, TheCanonicalFileItselfIsAlreadyPresent)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    const fs::path roundabout = folder.root() / "Decks" / "." / ".." / "Decks" / "Tallowin.md";
    const auto report = importWithoutWriting({roundabout, canonical});
    EXPECT_EQ(report.sources, (std::vector<Source> {{roundabout, Outcome::duplicate, "This is the canonical file."}}));
}

TEST_F(TallowinImportTest, FilesWhoseContentIsAlreadyPresentAreDuplicates)
{
    // Cards, history, candidates, keys and scans out of the order a merge gives them, as decks kept by
    // the app often are: a copy must still count as present.
    TallowinDocument deck = canonicalDeck();
    std::swap(deck.tasks[0], deck.tasks[2]);
    deck.tasks[1].history
        = {makeEvent("late", "2026-03-12T00:00:00.000Z"), makeEvent("early", "2026-03-11T00:00:00.000Z")};
    deck.pendingCandidates = {test::makeCandidate("c2"), test::makeCandidate("c1")};
    deck.pendingCandidates[0].discoveredAt = "2026-03-14T10:00:00.000Z";
    deck.dismissedCandidateKeys = {"url:b", "url:a"};
    deck.scanHistory = {test::makeCompleteScan(), test::makeCompleteScan("2026-03-14T09:00:00.000Z")};
    writeDeck("Decks/Tallowin.md", deck);
    folder.write("Elsewhere/Copy.md", canonicalText());

    // An older version of a card with part of its history brings nothing either.
    TallowinDocument older = test::makeDocument({deck.tasks[1]});
    older.tasks[0].title = "Old title";
    older.tasks[0].updatedAt = "2026-03-01T00:00:00.000Z";
    older.tasks[0].history.pop_back();
    writeDeck("Elsewhere/Older.md", older);

    const auto report = importWithoutWriting({folder.path("Elsewhere/Copy.md"), folder.path("Elsewhere/Older.md")});
    EXPECT_EQ(report.sources,
        (std::vector<Source> {{folder.path("Elsewhere/Copy.md"), Outcome::duplicate, std::nullopt},
            {folder.path("Elsewhere/Older.md"), Outcome::duplicate, std::nullopt}}));
    EXPECT_EQ(report.summary(), "Import: 0 imported, 2 already present, 0 inaccessible, 0 invalid.");

    const auto single = importWithoutWriting({folder.path("Elsewhere/Copy.md")});
    EXPECT_EQ(single.summary(), "Import: 0 imported, 1 already present, 0 inaccessible, 0 invalid.");
}

TEST_F(TallowinImportTest, AFileListedTwiceGetsOneEntry)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    writeDeck("Elsewhere/New.md", deckWithNewCard("KB-004"));
    const fs::path file = folder.path("Elsewhere/New.md");
    const auto report
        = repository.importFiles({file, folder.root() / "Elsewhere" / ".." / "Elsewhere" / "New.md", file});
    EXPECT_EQ(report.sources, (std::vector<Source> {{file, Outcome::imported, std::nullopt}}));
}

TEST_F(TallowinImportTest, UnusableFilesAreReportedWhileTheOthersAreImported)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    folder.write("In/NoMarkers.md", "# Notes\n\nNothing here.\n");
    fs::create_directories(folder.path("In/Folder.md"));
    // KB-003 and KB-002 are other records under known IDs; the first of them names the problem.
    TallowinDocument clash = deckWithNewCard("KB-050");
    clash.tasks.push_back(makeTask("KB-003"));
    clash.tasks.push_back(makeTask("KB-002"));
    clash.tasks.back().createdAt = "2026-01-01T00:00:00.000Z";
    writeDeck("In/Clash.md", clash);
    writeDeck("In/New.md", deckWithNewCard("KB-004"));
    // KB-004 only exists once New.md is merged: the check runs against everything imported so far.
    TallowinDocument laterClash = deckWithNewCard("KB-004");
    laterClash.tasks[0].createdAt = "2026-02-01T00:00:00.000Z";
    laterClash.tasks[0].history.clear();
    writeDeck("In/LaterClash.md", laterClash);
    const mode_t inputMode = modeOf(folder.path("In/New.md"));
    const std::string inputText = folder.read("In/New.md");

    const auto report = repository.importFiles(
        {folder.path("In/NoMarkers.md"), folder.path("In/Missing.md"), folder.path("In/Folder.md"),
            folder.path("In/Clash.md"), folder.path("In/New.md"), folder.path("In/LaterClash.md")});

    ASSERT_EQ(report.sources.size(), 6u);
    EXPECT_EQ(report.sources[0],
        (Source {folder.path("In/NoMarkers.md"), Outcome::invalid,
            "Tallowin data markers are missing from the Markdown file."}));
    EXPECT_EQ(report.sources[1],
        (Source {folder.path("In/Missing.md"), Outcome::inaccessible,
            "The file " + folder.path("In/Missing.md").string() + " does not exist."}));
    EXPECT_EQ(report.sources[2].outcome, Outcome::inaccessible);
    EXPECT_THAT(report.sources[2].reason, ::testing::Optional(::testing::HasSubstr("Is a directory")));
    EXPECT_EQ(report.sources[3],
        (Source {folder.path("In/Clash.md"), Outcome::invalid,
            "Task ID KB-003 belongs to different records in these files. Preserve both files and resolve their IDs "
            "before importing."}));
    EXPECT_EQ(report.sources[4], (Source {folder.path("In/New.md"), Outcome::imported, std::nullopt}));
    EXPECT_EQ(report.sources[5].outcome, Outcome::invalid);
    EXPECT_THAT(report.sources[5].reason, ::testing::Optional(::testing::StartsWith("Task ID KB-004 belongs")));
    EXPECT_EQ(report.summary(), "Import: 1 imported, 0 already present, 2 inaccessible, 3 invalid.");

    std::vector<std::string> ids;
    for (const TaskItem &task : stored().tasks)
        ids.push_back(task.id);
    EXPECT_EQ(ids, (std::vector<std::string> {"KB-001", "KB-002", "KB-003", "KB-004"})) << "nothing of Clash.md";
    EXPECT_EQ(stored(), report.document);
    EXPECT_EQ(folder.read("In/New.md"), inputText);
    EXPECT_EQ(modeOf(folder.path("In/New.md")), inputMode) << "inputs are only read";
}

TEST_F(TallowinImportTest, ANewerVersionReplacesTheDeckAfterABackup)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    const std::string oldText = canonicalText();
    TallowinDocument newer = test::makeDocument({canonicalDeck().tasks[0]});
    newer.tasks[0].title = "Renamed elsewhere";
    newer.tasks[0].updatedAt = "2026-03-20T00:00:00.000Z";
    newer.tasks[0].history.push_back(makeEvent("e2", "2026-03-20T00:00:00.000Z", "renamed", "Renamed."));
    writeDeck("Elsewhere/Newer.md", newer);
    ASSERT_EQ(::chmod(folder.path("Elsewhere/Newer.md").c_str(), 0644), 0);
    const std::string inputText = folder.read("Elsewhere/Newer.md");

    const auto report = repository.importFiles({folder.path("Elsewhere/Newer.md")});

    EXPECT_EQ(
        report.sources, (std::vector<Source> {{folder.path("Elsewhere/Newer.md"), Outcome::imported, std::nullopt}}));
    ASSERT_TRUE(report.backupPath);
    EXPECT_EQ(report.backupPath->parent_path(), folder.path("Decks/ImportBackups"));
    EXPECT_THAT(report.backupPath->filename().string(), ::testing::MatchesRegex(backupNamePattern));
    EXPECT_EQ(
        entriesOf(folder.path("Decks/ImportBackups")), std::set<std::string> {report.backupPath->filename().string()});
    EXPECT_EQ(folder.read("Decks/ImportBackups/" + report.backupPath->filename().string()), oldText);
    EXPECT_EQ(modeOf(*report.backupPath), 0600);

    TallowinDocument expected = canonicalDeck();
    expected.revision = 5;
    expected.updatedAt = importTime;
    expected.tasks[0] = newer.tasks[0];
    EXPECT_EQ(report.document, expected);
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(modeOf(canonical), 0600);
    EXPECT_EQ(entriesOf(folder.path("Decks")), (std::set<std::string> {"ImportBackups", "Tallowin.md"}));
    EXPECT_EQ(folder.read("Elsewhere/Newer.md"), inputText);
    EXPECT_EQ(modeOf(folder.path("Elsewhere/Newer.md")), 0644);
}

TEST_F(TallowinImportTest, NewActiveCardsJoinAnOpenRun)
{
    TallowinDocument deck = canonicalDeck();
    deck.runID = "run-1";
    deck.runTaskIDs = std::vector<std::string> {"KB-003", "KB-001"};
    deck.runProcessedIDs = std::vector<std::string> {"KB-003"};
    writeDeck("Decks/Tallowin.md", deck);
    TallowinDocument first = deckWithNewCard("KB-020");
    first.tasks.push_back(makeTask("KB-011", 20, TaskState::completed));
    first.tasks.push_back(makeTask("KB-012", 0, TaskState::delayed));
    first.tasks.push_back(canonicalDeck().tasks[1]);
    writeDeck("In/First.md", first);
    TallowinDocument second = deckWithNewCard("KB-010");
    second.tasks[0].order = 0;
    writeDeck("In/Second.md", second);

    const auto report = repository.importFiles({folder.path("In/First.md"), folder.path("In/Second.md")});
    EXPECT_EQ(report.importedCount(), 2u);
    EXPECT_EQ(stored().runTaskIDs, (std::vector<std::string> {"KB-003", "KB-001", "KB-020", "KB-010"}));
    EXPECT_EQ(stored().runProcessedIDs, (std::vector<std::string> {"KB-003"}));
}

TEST_F(TallowinImportTest, WithoutARunNoRunIsOpened)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    writeDeck("In/New.md", deckWithNewCard("KB-004"));
    repository.importFiles({folder.path("In/New.md")});
    EXPECT_EQ(stored().runTaskIDs, std::nullopt);
    EXPECT_EQ(stored().tasks.size(), 4u);
}

TEST_F(TallowinImportTest, WithoutACanonicalFileTheImportStartsANewDeck)
{
    writeDeck("In/New.md", deckWithNewCard("KB-004"));
    EXPECT_EQ(repository.importFiles({folder.path("In/Missing.md")}).sources.at(0).outcome, Outcome::inaccessible);
    EXPECT_FALSE(fs::exists(folder.path("Decks/Tallowin.md"))) << "nothing imported, nothing written";

    const auto report = repository.importFiles({folder.path("In/New.md")});
    TallowinDocument expected = deckWithNewCard("KB-004");
    expected.revision = 2;
    expected.updatedAt = importTime;
    EXPECT_EQ(report.document, expected);
    EXPECT_EQ(report.backupPath, std::nullopt);
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"});
}

TEST_F(TallowinImportTest, ABusyWriterFailsTheWholeImport)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    writeDeck("In/New.md", deckWithNewCard("KB-004"));
    folder.write("Decks/Tallowin.md.lock", std::to_string(::getpid()));
    expectWholeImportFails([&] { repository.importFiles({folder.path("In/New.md")}); },
        "Tallowin is being updated by another writer. Reload and retry.");
    EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), std::to_string(::getpid()));
}

TEST_F(TallowinImportTest, ACanonicalFileThatDoesNotDecodeFailsTheWholeImport)
{
    folder.write("Decks/Tallowin.md", "# Not a deck\n");
    writeDeck("In/New.md", deckWithNewCard("KB-004"));
    expectWholeImportFails([&] { repository.importFiles({folder.path("In/New.md")}); },
        "Tallowin data markers are missing from the Markdown file.");
    EXPECT_EQ(entriesOf(folder.path("Decks")), std::set<std::string> {"Tallowin.md"}) << "the lock is released";
}

TEST_F(TallowinImportTest, AFailedBackupFailsTheWholeImport)
{
    writeDeck("Decks/Tallowin.md", canonicalDeck());
    writeDeck("In/New.md", deckWithNewCard("KB-004"));
    folder.write("Decks/ImportBackups", "a file where the backup folder belongs");
    const std::string before = canonicalText();
    if (const auto error = THROWN_ERROR(TallowinFileError, repository.importFiles({folder.path("In/New.md")}))) {
        EXPECT_EQ(error->path1(), folder.path("Decks/ImportBackups"));
    }
    EXPECT_EQ(canonicalText(), before);
    EXPECT_EQ(entriesOf(folder.path("Decks")), (std::set<std::string> {"ImportBackups", "Tallowin.md"}));
}

} // namespace
} // namespace tallowin
