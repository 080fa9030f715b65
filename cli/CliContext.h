#pragma once

#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/storage/TallowinRepository.h"

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace tallowin::cli {

// What every command gets: the deck it works on, the instant it treats as now, and where it prints.
struct CliContext
{
    std::filesystem::path deckPath;
    TallowinInstant now;
    std::ostream &out;

    std::string nowText() const { return TallowinClock::now(now); }
};

// --file, else TALLOWIN_FILE_PATH, else the default location.
std::filesystem::path resolveDeckPath(const std::optional<std::string> &fileOption);
// --now in any form the clock reads; the clock otherwise.
TallowinInstant resolveNow(const std::optional<std::string> &nowOption);

// The repository of the deck for one command: it maps the file to read it and reads it once.
std::unique_ptr<TallowinRepository> openRepository(const std::filesystem::path &deckPath, TallowinInstant now);
// Reads and decodes the deck through the repository, without creating it.
TallowinDocument loadDeck(const std::filesystem::path &deckPath);

} // namespace tallowin::cli
