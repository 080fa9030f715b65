#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/ScanReport.h"
#include "TallowinCore/document/TaskCandidate.h"
#include "TallowinCore/document/TaskItem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// The whole deck as one value.
struct TALLOWIN_CORE_EXPORT TallowinDocument
{
    static constexpr std::int64_t currentVersion = 2;
    // From this many cards up, the passes over every card (encoding, decoding, validation) split the cards
    // between two threads; below it a second thread costs more than it saves.
    static constexpr std::size_t cardsWorthASecondThread = 512;

    std::int64_t version = currentVersion;
    std::int64_t revision = 0;
    std::string title;
    std::string updatedAt;
    std::vector<TaskItem> tasks;
    std::optional<std::string> runID;
    std::optional<std::vector<std::string>> runTaskIDs;
    std::optional<std::vector<std::string>> runProcessedIDs;
    std::optional<ScanReport> lastSlackScan;
    std::vector<ScanReport> scanHistory;
    std::optional<std::string> lastCompleteSlackScanAt;
    std::vector<TaskCandidate> pendingCandidates;
    std::vector<std::string> dismissedCandidateKeys;

    // A copy made with the helper thread taking half of a large deck's cards: for operations that keep their input
    // and change a copy, where the copy is most of what they cost. Plain copies are made as usual.
    TallowinDocument parallelCopy() const;

    // "KB-" and a random lower-case UUID; never collides with the numbered form.
    static std::string newTaskID();
    // "KB-" and one more than the largest numbered card ID, at least three digits.
    std::string nextTaskID() const;

    // Throws the first TallowinValidationError found; changes nothing.
    void validate() const;
    // Upgrades a version 1 document and validates the result.
    TallowinDocument migratedAndValidated() const &;
    TallowinDocument migratedAndValidated() &&;

    friend bool operator==(const TallowinDocument &, const TallowinDocument &) = default;
};

} // namespace tallowin
