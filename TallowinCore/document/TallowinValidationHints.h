#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <cstdint>
#include <vector>

namespace tallowin {

// What validation learns from each card's scattered strings (history ID hashes, whether every timestamp
// reads), gathered by the decoder right after it builds a card, while those strings are still in cache.
// Validation then applies its rules in order from these facts instead of reading the strings again.
struct TallowinValidationHints
{
    std::vector<std::uint64_t> eventHashes; // FlatStringSet::hashOf of every history ID, cards in order
    std::vector<bool> timestampsValid; // per card: createdAt, updatedAt, resumeAt when delayed, every event

    void add(const TaskItem &task);
    bool describes(const std::vector<TaskItem> &tasks) const;
};

// validate(), using hints when they describe the document's cards.
void validateDocument(const TallowinDocument &document, const TallowinValidationHints *hints);
// migratedAndValidated(), likewise. Migration never changes what the hints record.
TallowinDocument migratedAndValidated(TallowinDocument &&document, const TallowinValidationHints *hints);

} // namespace tallowin
