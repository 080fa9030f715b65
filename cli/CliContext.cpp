#include "cli/CliContext.h"

#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/io/TallowinFileLocation.h"

namespace tallowin::cli {

std::filesystem::path resolveDeckPath(const std::optional<std::string> &fileOption)
{
    if (fileOption && !fileOption->empty())
        return std::filesystem::absolute(*fileOption).lexically_normal();
    if (const auto fromEnvironment = TallowinFileLocation::environmentOverride())
        return std::filesystem::absolute(*fromEnvironment).lexically_normal();
    return TallowinFileLocation::defaultDeckPath();
}

TallowinInstant resolveNow(const std::optional<std::string> &nowOption)
{
    if (!nowOption)
        return TallowinClock::current();
    if (const auto instant = TallowinClock::date(*nowOption))
        return *instant;
    throw TallowinError("The time " + *nowOption + " is not a timestamp such as 2026-03-14T09:26:53.589Z.");
}

std::unique_ptr<TallowinRepository> openRepository(const std::filesystem::path &deckPath, TallowinInstant now)
{
    auto repository = std::make_unique<TallowinRepository>(deckPath, [now] { return now; });
    // main() has made a file cut short under a mapping end the process cleanly.
    repository->mapFileWhenReading(true);
    repository->readsOnce(true);
    return repository;
}

TallowinDocument loadDeck(const std::filesystem::path &deckPath)
{
    return openRepository(deckPath, TallowinClock::current())->load();
}

} // namespace tallowin::cli
