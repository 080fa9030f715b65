#pragma once

#include "TallowinCore/TallowinDocument.h"
#include "TallowinCore/TallowinRepository.h"
#include "cli/CliContext.h"

#include <functional>
#include <string>

namespace tallowin::cli {

struct DeckChange
{
    TallowinDocument document;
    std::string notice;
};

// The deck file's repository, reading the command's fixed instant as its clock.
TallowinRepository openRepository(const CliContext &context);

// The empty deck a missing file is created from.
TallowinDocument emptySeed(const CliContext &context);

// One change, the way the application commits it: create the deck from the empty seed when missing,
// load, compute, and save with the loaded revision + 1 against the loaded revision. Another writer
// that saved in between makes the save fail with the revision conflict instead of being overwritten.
// A result equal to the loaded deck writes and prints nothing; otherwise the notice is printed.
int runChange(const CliContext &context, const std::function<DeckChange(const TallowinDocument &)> &compute);

} // namespace tallowin::cli
