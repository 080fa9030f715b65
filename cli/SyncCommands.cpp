#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/sync/TallowinCloudSync.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinSecretService.h"
#include "TallowinCore/sync/TallowinSyncConfiguration.h"
#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "cli/CommandTable.h"
#include "cli/TerminalInput.h"
#include "cli/WritePath.h"

#include <exception>
#include <iostream>
#include <memory>

// One synchronisation with the configured cloud database, reported with the application's status line.

namespace tallowin::cli {

namespace {

int synchronize(const CliContext &context)
{
    try {
        // The password is found before the deck is touched, so a locked keyring leaves the deck as it was. A
        // person at a terminal may be asked to unlock it; a script is told that it is locked.
        TallowinSecretService passwords;
        const std::optional<TallowinSyncAddress> login = TallowinSyncConfiguration::login(&passwords,
            standardInputIsTerminal() ? TallowinPasswordStore::Unlocking::ask
                                      : TallowinPasswordStore::Unlocking::never);
        const std::optional<std::string> databaseURL
            = login ? std::optional<std::string>(login->withPassword()) : std::nullopt;
        auto transport = std::make_shared<TallowinCloudTransport>(databaseURL);
        const TallowinInstant now = context.now;
        auto repository = std::make_shared<TallowinRepository>(context.deckPath, [now] { return now; });
        // Without a database the run fails before the deck is read; creating a deck just for that would surprise.
        if (databaseURL)
            repository->prepareIfNeeded(emptySeed(context));
        TallowinSyncEngine engine(repository, transport, context.deckPath.parent_path() / "CloudSync.json");
        engine.synchronize();
    } catch (...) {
        std::cerr << TallowinCloudSync::statusText(std::current_exception()) << '\n';
        return 1;
    }
    context.out << TallowinCloudSync::statusText(nullptr) << '\n';
    return 0;
}

} // namespace

void registerSyncCommands(CommandTable &table)
{
    table.add("sync", "Synchronise the deck with the configured cloud database", &synchronize);
    registerSyncSetupCommand(table);
}

} // namespace tallowin::cli
