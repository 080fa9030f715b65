#include "TallowinCore/sync/TallowinSyncCredentials.h"

#include "TallowinCore/sync/TallowinSyncConfiguration.h"

namespace tallowin {

TallowinSyncCredentials::TallowinSyncCredentials(
    std::shared_ptr<TallowinPasswordStore> passwords, Environment environment)
    : m_passwords(std::move(passwords))
    , m_environment(std::move(environment))
{ }

std::optional<TallowinSyncAddress> TallowinSyncCredentials::loginForRun()
{
    const auto unlocking = m_askOnNextRun.exchange(false) ? TallowinPasswordStore::Unlocking::ask
                                                          : TallowinPasswordStore::Unlocking::never;
    return TallowinSyncConfiguration::login(m_passwords.get(), unlocking, m_environment);
}

std::function<std::optional<std::string>()> TallowinSyncCredentials::addressSource()
{
    return [self = shared_from_this()]() -> std::optional<std::string> {
        const std::optional<TallowinSyncAddress> login = self->loginForRun();
        if (!login)
            return std::nullopt;
        return login->withPassword();
    };
}

} // namespace tallowin
