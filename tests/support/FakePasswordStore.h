#pragma once

#include "TallowinCore/sync/TallowinPasswordStore.h"

#include <exception>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace tallowin::test {

// Passwords in memory, as a Secret Service would keep them, with a switch that makes every call fail with a
// chosen error (a locked keyring, no service running). Records how each lookup was allowed to unlock.
class FakePasswordStore : public TallowinPasswordStore
{
public:
    std::optional<std::string> lookup(const TallowinSyncAccount &account, Unlocking unlocking) override;
    std::string store(const TallowinSyncAccount &account, const std::string &password) override;
    bool forget(const TallowinSyncAccount &account) override;

    void failWith(std::exception_ptr failure);
    std::map<std::pair<std::string, std::string>, std::string> stored() const;
    std::vector<Unlocking> lookups() const;

private:
    void failIfAsked() const;

    mutable std::mutex m_mutex;
    std::map<std::pair<std::string, std::string>, std::string> m_passwords;
    std::vector<Unlocking> m_lookups;
    std::exception_ptr m_failure;
};

} // namespace tallowin::test
