#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinEnvironment.h"
#include "TallowinCore/sync/TallowinPasswordStore.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tallowin {

// The sync password's keeper, shared by the transport, which signs in anew at every run, and the screen that sets
// sync up. Runs that start by themselves (after a save, when the network returns) never ask to unlock the keyring;
// the run after askOnNextRun(), which follows a person's "Sync now", may. Safe to use from any thread.
class TALLOWIN_CORE_EXPORT TallowinSyncCredentials : public std::enable_shared_from_this<TallowinSyncCredentials>
{
public:
    explicit TallowinSyncCredentials(
        std::shared_ptr<TallowinPasswordStore> passwords, Environment environment = &processEnvironment);

    TallowinPasswordStore &passwords() const { return *m_passwords; }
    const Environment &environment() const { return m_environment; }

    void askOnNextRun() { m_askOnNextRun.store(true); }
    // TallowinSyncConfiguration::login for a run, asking to unlock only once after askOnNextRun().
    std::optional<TallowinSyncAddress> loginForRun();
    // The same for the transport: the address with the password, as text. Keeps these credentials alive.
    std::function<std::optional<std::string>()> addressSource();

private:
    const std::shared_ptr<TallowinPasswordStore> m_passwords;
    const Environment m_environment;
    std::atomic<bool> m_askOnNextRun = false;
};

} // namespace tallowin
