#pragma once

#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "cli/CliContext.h"

#include <functional>
#include <memory>
#include <string>

namespace tallowin::cli {

struct DeckChange
{
    TallowinDocument document;
    std::string notice;
};

// The deck file's repository, reading the command's fixed instant as its clock and mapping the deck to read it.
std::unique_ptr<TallowinRepository> openRepository(const CliContext &context);

// The empty deck a missing file is created from.
TallowinDocument emptySeed(const CliContext &context);

// One change: create the deck from the empty seed when missing, then load, compute and save with the loaded
// revision + 1, all under the writer lock, so no other writer can save in between (one that tries is told the
// deck is busy). A result equal to the loaded deck writes and prints nothing; otherwise the notice is printed.
int runChange(const CliContext &context, const std::function<DeckChange(const TallowinDocument &)> &compute);

// As runChange, for a change that always alters the deck (a decision appends an event), so compute may take the
// loaded deck and change it in place: the deck is never held twice.
int runChangeInPlace(const CliContext &context, const std::function<DeckChange(TallowinDocument &&)> &compute);

} // namespace tallowin::cli
