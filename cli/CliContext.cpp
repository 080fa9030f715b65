#include "cli/CliContext.h"

#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/io/TallowinMappedFile.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"

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

TallowinDocument loadDeck(const std::filesystem::path &deckPath)
{
    TallowinPrivateStorage::protectFile(deckPath);
    return TaskMarkdownCodec::decodeConsuming(TallowinMappedFile::map(deckPath, TallowinDocumentJson::paddingBytes()));
}

} // namespace tallowin::cli
