#include "TallowinCore/discovery/TallowinDiagnosticsReport.h"
#include "TallowinCore/discovery/TallowinDiscoveryLink.h"
#include "TallowinCore/discovery/TallowinDiscoveryRequest.h"
#include "TallowinCore/discovery/TallowinSystemInfo.h"
#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/settings/TallowinSettingsFile.h"
#include "cli/CommandTable.h"

#include <ostream>

namespace tallowin::cli {

namespace {

// Unlike the settings command, a report only looks: a missing file stands for the defaults and is not created.
TallowinSettings settingsIfPresent(const std::filesystem::path &file)
{
    return TallowinSettingsFile::loadIfPresent(file).value_or(TallowinSettings::defaults());
}

int runPrompt(const CliContext &context)
{
    // Byte for byte the text Codex receives, which ends without a line feed.
    context.out << TallowinDiscoveryRequest::prompt(context.deckPath);
    return 0;
}

int runCodexLink(const CliContext &context)
{
    context.out << TallowinDiscoveryLink::codexLink(context.deckPath) << '\n';
    return 0;
}

int runDiagnostics(const CliContext &context)
{
    TallowinDiagnosticsInput input;
    input.filePath = context.deckPath;
    input.document = loadDeck(input.filePath);
    input.settingsFilePath = TallowinFileLocation::settingsPath(input.filePath);
    input.settings = settingsIfPresent(input.settingsFilePath);
    input.shortVersion = TallowinSystemInfo::shortVersion();
    input.buildNumber = TallowinSystemInfo::buildNumber();
    input.operatingSystemVersion = TallowinSystemInfo::operatingSystemVersion();
    context.out << TallowinDiagnosticsReport::build(input, context.now);
    return 0;
}

} // namespace

void registerDiscoveryCommands(CommandTable &table)
{
    table.add("prompt", "Print the discovery request text for the deck", runPrompt);
    table.add("codex-link", "Print the codex link that opens the discovery scan", runCodexLink);
    table.add("diagnostics", "Print the diagnostics report of the deck, without task text", runDiagnostics);
}

} // namespace tallowin::cli
