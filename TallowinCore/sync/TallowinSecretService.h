#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/sync/TallowinPasswordStore.h"

namespace tallowin {

// The sync password in the desktop's Secret Service (GNOME Keyring, KWallet, KeePassXC), reached through
// libsecret, which is loaded on first use. The item carries the database address and the user name, so
// tallowin-cli and the application find the same one. Every call opens its own connection to the service, so a
// service restarted meanwhile is found again, and calls may run on several threads at once. Failures are
// TallowinSecretServiceError.
class TALLOWIN_CORE_EXPORT TallowinSecretService : public TallowinPasswordStore
{
public:
    static constexpr const char *schemaName = "app.tallowin.tallowin.SyncPassword";
    static constexpr const char *databaseAttribute = "database";
    static constexpr const char *userAttribute = "user";

    std::optional<std::string> lookup(const TallowinSyncAccount &account, Unlocking unlocking) override;
    std::string store(const TallowinSyncAccount &account, const std::string &password) override;
    bool forget(const TallowinSyncAccount &account) override;
};

} // namespace tallowin
