#include "Tallowin/presentation/SyncAvailability.h"

#include "TallowinCore/sync/TallowinSyncConfiguration.h"

#include <exception>
#include <optional>

namespace tallowin {

SyncAvailability SyncAvailability::of(const Deck &deck, const Environment &environment)
{
    if (!deck.usesCanonicalStorage)
        return {false,
            "Sync is off because Tallowin was started with a deck file of your choosing (TALLOWIN_FILE_PATH). "
            "Only your usual Tallowin file is synced."};
    if (environment("TALLOWIN_DEMO"))
        return {false, "Sync is off in demo mode (TALLOWIN_DEMO)."};
    std::optional<std::string> address;
    try {
        address = TallowinSyncConfiguration::databaseURL(environment);
    } catch (const std::exception &error) {
        return {false, std::string("Sync is off: ") + error.what()};
    }
    if (!address)
        return {false,
            "Sync is not set up. Enter the address of your sync database above, or run tallowin-cli sync-setup."};
    if (!deck.hasCoordinator)
        return {false, "Sync starts once your tasks have opened."};
    return {true, ""};
}

} // namespace tallowin
