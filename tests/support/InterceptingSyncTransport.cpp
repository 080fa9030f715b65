#include "tests/support/InterceptingSyncTransport.h"

#include <utility>

namespace tallowin::test {

void InterceptingSyncTransport::Actions::afterNextFetch(std::function<void()> action)
{
    const std::lock_guard guard(m_mutex);
    m_afterFetch = std::move(action);
}

void InterceptingSyncTransport::Actions::beforeNextSave(std::function<void()> action)
{
    const std::lock_guard guard(m_mutex);
    m_beforeSave = std::move(action);
}

void InterceptingSyncTransport::Actions::clear()
{
    const std::lock_guard guard(m_mutex);
    m_afterFetch = nullptr;
    m_beforeSave = nullptr;
}

std::function<void()> InterceptingSyncTransport::Actions::take(std::function<void()> &slot)
{
    const std::lock_guard guard(m_mutex);
    return std::exchange(slot, nullptr);
}

InterceptingSyncTransport::InterceptingSyncTransport(
    std::shared_ptr<TallowinSyncTransport> inner, std::shared_ptr<Actions> actions)
    : m_inner(std::move(inner))
    , m_actions(std::move(actions))
{ }

std::string InterceptingSyncTransport::accountID()
{
    return m_inner->accountID();
}

std::optional<TallowinRemoteSnapshot> InterceptingSyncTransport::fetch()
{
    std::optional<TallowinRemoteSnapshot> snapshot = m_inner->fetch();
    // Taken outside the lock: the action may sync another device through a transport sharing these actions.
    if (const auto action = m_actions->take(m_actions->m_afterFetch))
        action();
    return snapshot;
}

void InterceptingSyncTransport::save(const TallowinDocument &document, const std::optional<std::string> &replacing)
{
    if (const auto action = m_actions->take(m_actions->m_beforeSave))
        action();
    m_inner->save(document, replacing);
}

void InterceptingSyncTransport::subscribe()
{
    m_inner->subscribe();
}

} // namespace tallowin::test
