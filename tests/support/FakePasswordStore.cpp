#include "tests/support/FakePasswordStore.h"

namespace tallowin::test {

void FakePasswordStore::failIfAsked() const
{
    if (m_failure)
        std::rethrow_exception(m_failure);
}

std::optional<std::string> FakePasswordStore::lookup(const TallowinSyncAccount &account, Unlocking unlocking)
{
    std::lock_guard lock(m_mutex);
    m_lookups.push_back(unlocking);
    failIfAsked();
    const auto found = m_passwords.find({account.databaseURL, account.user});
    if (found == m_passwords.end())
        return std::nullopt;
    return found->second;
}

std::string FakePasswordStore::store(const TallowinSyncAccount &account, const std::string &password)
{
    std::lock_guard lock(m_mutex);
    failIfAsked();
    m_passwords[{account.databaseURL, account.user}] = password;
    return "the test's keyring";
}

bool FakePasswordStore::forget(const TallowinSyncAccount &account)
{
    std::lock_guard lock(m_mutex);
    failIfAsked();
    return m_passwords.erase({account.databaseURL, account.user}) > 0;
}

void FakePasswordStore::failWith(std::exception_ptr failure)
{
    std::lock_guard lock(m_mutex);
    m_failure = std::move(failure);
}

std::map<std::pair<std::string, std::string>, std::string> FakePasswordStore::stored() const
{
    std::lock_guard lock(m_mutex);
    return m_passwords;
}

std::vector<TallowinPasswordStore::Unlocking> FakePasswordStore::lookups() const
{
    std::lock_guard lock(m_mutex);
    return m_lookups;
}

} // namespace tallowin::test
