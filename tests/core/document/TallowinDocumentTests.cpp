#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <functional>

namespace tallowin {
namespace {

using test::makeCandidate;
using test::makeDocument;
using test::makeEvent;
using test::makeTask;

// Runs validate() and returns the message of the validation error it throws, or "" when it passes.
std::string validationMessage(const TallowinDocument &document)
{
    try {
        document.validate();
    } catch (const TallowinValidationError &error) {
        return error.what();
    }
    return "";
}

TEST(TallowinDocumentValidation, AValidDeckPasses)
{
    TallowinDocument document = makeDocument({makeTask("KB-001"), makeTask("KB-002", 1, TaskState::delayed)});
    document.tasks[0].history = {makeEvent("h1"), makeEvent("h2", "2026-01-02T03:04:05Z")};
    document.pendingCandidates = {makeCandidate("c1")};
    document.runID = "run-1";
    document.runTaskIDs = std::vector<std::string> {"KB-001"};
    document.runProcessedIDs = std::vector<std::string> {"KB-001"};
    EXPECT_EQ(validationMessage(document), "");
}

// The pass looks two cards ahead into histories; empty ones (with no storage) around non-empty ones must be read
// without forming an address outside any allocation, which the sanitizer build checks.
TEST(TallowinDocumentValidation, EmptyHistoriesAheadOfTheCheckedCard)
{
    TallowinDocument document = makeDocument({makeTask("KB-001"), makeTask("KB-002", 1), makeTask("KB-003", 2),
        makeTask("KB-004", 3), makeTask("KB-005", 4)});
    document.tasks[3].history = {makeEvent("h1")};
    EXPECT_EQ(validationMessage(document), "");
    document.tasks[4].history = {makeEvent("h1")};
    EXPECT_EQ(validationMessage(document), "Tallowin contains duplicate history ID h1.");
}

TEST(TallowinDocumentValidation, CardRules)
{
    auto document = makeDocument({makeTask("KB-001"), makeTask("KB-001")});
    EXPECT_EQ(validationMessage(document), "Tallowin contains duplicate task ID KB-001.");

    document = makeDocument({makeTask("KB-001"), makeTask("KB-002")});
    document.tasks[0].history = {makeEvent("h1")};
    document.tasks[1].history = {makeEvent("h1")};
    EXPECT_EQ(validationMessage(document), "Tallowin contains duplicate history ID h1.") << "unique across cards";

    document = makeDocument({makeTask("KB-004", 0, TaskState::delayed)});
    document.tasks[0].resumeAt.reset();
    EXPECT_EQ(validationMessage(document), "Delayed task KB-004 requires a valid resume time.");
    document.tasks[0].resumeAt = "tomorrow";
    EXPECT_EQ(validationMessage(document), "Delayed task KB-004 requires a valid resume time.");

    document = makeDocument({makeTask("KB-001")});
    document.tasks[0].createdAt = "2026-01-02";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: 2026-01-02.");
    document.tasks[0].createdAt = test::fixedTime;
    document.tasks[0].updatedAt = "2026-01-02 03:04:05";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: 2026-01-02 03:04:05.");
    document.tasks[0].updatedAt = test::fixedTime;
    document.tasks[0].history = {makeEvent("h1", "yesterday")};
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: yesterday.");
}

TEST(TallowinDocumentValidation, RulesAreCheckedInOrder)
{
    // A card's duplicate ID is found before its own bad timestamp, and cards before the deck's timestamp.
    auto document = makeDocument({makeTask("KB-001"), makeTask("KB-001")});
    document.tasks[1].createdAt = "bad";
    document.updatedAt = "also bad";
    EXPECT_EQ(validationMessage(document), "Tallowin contains duplicate task ID KB-001.");
    document.tasks[1].id = "KB-002";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: bad.");

    document = makeDocument({makeTask("KB-001")});
    document.pendingCandidates = {makeCandidate("c1"), makeCandidate("c1")};
    document.updatedAt = "bad";
    EXPECT_EQ(validationMessage(document), "Tallowin contains duplicate candidate ID c1.") << "candidates before deck";

    document = makeDocument({makeTask("KB-001")});
    document.updatedAt = "bad";
    document.runTaskIDs = std::vector<std::string> {};
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: bad.") << "deck before run";
}

TEST(TallowinDocumentValidation, CandidateRules)
{
    auto document = makeDocument();
    document.pendingCandidates = {makeCandidate("c1")};
    document.pendingCandidates[0].confidence = 1.0;
    EXPECT_EQ(validationMessage(document), "");
    document.pendingCandidates[0].confidence = 0.0;
    EXPECT_EQ(validationMessage(document), "");
    document.pendingCandidates[0].confidence = 1.01;
    EXPECT_EQ(validationMessage(document), "Task candidate c1 is incomplete or invalid.");
    document.pendingCandidates[0].confidence = -0.1;
    EXPECT_EQ(validationMessage(document), "Task candidate c1 is incomplete or invalid.");
    document.pendingCandidates[0].confidence = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(validationMessage(document), "Task candidate c1 is incomplete or invalid.");

    for (std::string TaskCandidate::*field : {&TaskCandidate::person, &TaskCandidate::title, &TaskCandidate::context,
             &TaskCandidate::classificationReason}) {
        document.pendingCandidates = {makeCandidate("c1")};
        document.pendingCandidates[0].*field = " \n\t\u00a0";
        EXPECT_EQ(validationMessage(document), "Task candidate c1 is incomplete or invalid.");
    }

    document.pendingCandidates = {makeCandidate("c1")};
    document.pendingCandidates[0].discoveredAt = "later";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: later.");
    document.pendingCandidates[0].discoveredAt = test::fixedTime;
    document.pendingCandidates[0].sourceTimestamp = "earlier";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid timestamp: earlier.");
}

TEST(TallowinDocumentValidation, CandidateWithBadLinkFailsWithTheContractError)
{
    auto document = makeDocument();
    document.pendingCandidates = {makeCandidate("c1", "ftp://example.com/file")};
    if (const auto error = EXPECT_THROW_SENTENCE(
            TaskContractError, "Task contract source URL is invalid: ftp://example.com/file", document.validate())) {
        EXPECT_EQ(error->kind(), TaskContractError::Kind::invalidSourceURL);
    }
}

TEST(TallowinDocumentValidation, RunRules)
{
    auto document = makeDocument({makeTask("KB-001"), makeTask("KB-002")});
    document.runTaskIDs = std::vector<std::string> {};
    EXPECT_EQ(validationMessage(document), "Tallowin has run tasks but no run ID.");
    document.runID = "";
    EXPECT_EQ(validationMessage(document), "") << "an empty run ID counts as present";

    document.runTaskIDs.reset();
    document.runID = "run-1";
    document.runProcessedIDs = std::vector<std::string> {"nowhere"};
    EXPECT_EQ(validationMessage(document), "") << "without run tasks nothing about the run is checked";

    document.runTaskIDs = std::vector<std::string> {"KB-001", "KB-404"};
    EXPECT_EQ(validationMessage(document), "Tallowin run references missing task KB-404.");

    document.runTaskIDs = std::vector<std::string> {"KB-001"};
    document.runProcessedIDs = std::vector<std::string> {"KB-002"};
    EXPECT_EQ(validationMessage(document), "Tallowin processed list references task outside the run: KB-002.");
}

TEST(TallowinDocumentValidation, MergeRules)
{
    auto document = makeDocument({makeTask("KB-009", 0, TaskState::merged)});
    EXPECT_EQ(validationMessage(document), "Merged task KB-009 must reference its shared task.");
    document.tasks[0].mergedInto = "KB-404";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid merge reference for KB-009.");

    document = makeDocument({makeTask("KB-001"), makeTask("KB-002", 0, TaskState::completed)});
    document.tasks[1].mergedInto = "KB-404";
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid merge reference for KB-002.");

    document = makeDocument({makeTask("KB-001"), makeTask("KB-002")});
    document.tasks[0].mergedTaskIDs = std::vector<std::string> {"KB-002", "KB-404"};
    EXPECT_EQ(validationMessage(document), "Tallowin contains an invalid merge reference for KB-001.")
        << "names the card being checked, not the listed ID";

    document.tasks[0].mergedTaskIDs = std::vector<std::string> {"KB-002", "KB-001"};
    EXPECT_EQ(validationMessage(document), "") << "self references are not checked";
}

TEST(TallowinDocumentMigration, VersionOneRemovedAndMergedCardsBecomeMerged)
{
    auto document = makeDocument(
        {makeTask("KB-001"), makeTask("KB-002", 0, TaskState::removed), makeTask("KB-003", 0, TaskState::removed)});
    document.version = 1;
    document.revision = 7;
    document.tasks[1].mergedInto = "KB-001";
    const TallowinDocument before = document;

    const TallowinDocument migrated = document.migratedAndValidated();
    EXPECT_EQ(document, before) << "the input stays unchanged";
    EXPECT_EQ(migrated.version, 2);
    EXPECT_EQ(migrated.revision, 7);
    EXPECT_EQ(migrated.updatedAt, before.updatedAt);
    EXPECT_EQ(migrated.tasks[1].state, TaskState::merged);
    EXPECT_EQ(migrated.tasks[2].state, TaskState::removed);
}

TEST(TallowinDocumentMigration, UnsupportedVersionsAndInvalidResultsThrow)
{
    auto document = makeDocument();
    for (std::int64_t version : {0, 3, -1}) {
        document.version = version;
        if (const auto error = EXPECT_THROW_SENTENCE(TallowinValidationError,
                TallowinValidationError::unsupportedVersion(version), (void)document.migratedAndValidated())) {
            EXPECT_EQ(std::string(error->what()),
                "Tallowin document version " + std::to_string(version) + " is not supported.");
        }
    }
    document = makeDocument({makeTask("KB-001"), makeTask("KB-001")});
    EXPECT_THROW((void)document.migratedAndValidated(), TallowinValidationError);
}

TEST(TallowinDocumentValidation, FastTimestampCheckAgreesWithTheFullReader)
{
    // Validation checks timestamps of the canonical shape word by word; every single-byte change of a valid
    // one must be judged exactly as the full reader judges it.
    const std::string valid = "2024-02-29T23:59:59.999Z";
    EXPECT_TRUE(TallowinClock::isTimestamp(valid));
    for (std::size_t position = 0; position < valid.size(); ++position) {
        for (int byte = 0; byte < 256; ++byte) {
            std::string changed = valid;
            changed[position] = static_cast<char>(byte);
            ASSERT_EQ(TallowinClock::isTimestamp(changed), TallowinClock::date(changed).has_value())
                << "byte " << byte << " at " << position;
        }
    }
    EXPECT_FALSE(TallowinClock::isTimestamp("2023-02-29T00:00:00.000Z"));
    EXPECT_FALSE(TallowinClock::isTimestamp("2026-04-31T00:00:00.000Z"));
    EXPECT_TRUE(TallowinClock::isTimestamp("2026-04-30T00:00:00.000Z"));
}

TEST(TallowinDocumentIDs, NextTaskIDFollowsTheLargestNumber)
{
    EXPECT_EQ(makeDocument().nextTaskID(), "KB-001");

    auto document = makeDocument({makeTask("KB-007"), makeTask("kb-012"),
        makeTask("KB-0f9c4c1e-3a53-4b5e-9d2a-5b1c7f0e8a11"), makeTask("X-99")});
    EXPECT_EQ(document.nextTaskID(), "KB-013");

    document = makeDocument({makeTask("KB-041"), makeTask("KB-+999"), makeTask("KB- 5000"), makeTask("KB-12a")});
    EXPECT_EQ(document.nextTaskID(), "KB-1000") << "a plus sign is read, blanks and letters are not";

    document = makeDocument({makeTask("KB-99999999999999999999")});
    EXPECT_EQ(document.nextTaskID(), "KB-001") << "numbers beyond 64 bits are skipped";

    document = makeDocument({makeTask("KB-9223372036854775807")});
    EXPECT_EQ(document.nextTaskID(), "KB-9223372036854775808") << "no overflow at the top of the range";
}

TEST(TallowinDocumentIDs, NewTaskIDsAreRandomLowerCaseUUIDs)
{
    const std::string first = TallowinDocument::newTaskID();
    const std::string second = TallowinDocument::newTaskID();
    EXPECT_NE(first, second);
    ASSERT_EQ(first.size(), 39u);
    EXPECT_EQ(first.substr(0, 3), "KB-");
    for (std::size_t i = 3; i < first.size(); ++i) {
        const char c = first[i];
        if (i == 11 || i == 16 || i == 21 || i == 26)
            EXPECT_EQ(c, '-');
        else
            EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << first;
    }
    EXPECT_EQ(first[17], '4') << "version 4";
    EXPECT_EQ(makeDocument({makeTask(first)}).nextTaskID(), "KB-001");
}

} // namespace
} // namespace tallowin
