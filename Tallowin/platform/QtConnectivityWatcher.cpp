#include "Tallowin/platform/QtConnectivityWatcher.h"

#include <QCoreApplication>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace tallowin {

namespace {

std::optional<bool> onlineFor(QNetworkInformation::Reachability reachability)
{
    switch (reachability) {
    case QNetworkInformation::Reachability::Online:
    case QNetworkInformation::Reachability::Site:
        return true;
    case QNetworkInformation::Reachability::Disconnected:
    case QNetworkInformation::Reachability::Local:
        return false;
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return std::nullopt;
}

} // namespace

// The subscribers and the connection to the source; owned by the watcher and by every subscription.
// Handlers are called under a recursive lock, so that a subscriber never sees an older state after a newer
// one, while a handler may still subscribe or unsubscribe.
struct QtConnectivityWatcher::Registry
{
    std::recursive_mutex mutex;
    std::map<std::uint64_t, std::shared_ptr<Handler>> handlers;
    std::uint64_t nextID = 0;
    std::optional<bool> online;
    QMetaObject::Connection source;

    ~Registry() { QObject::disconnect(source); }

    void update(std::optional<bool> state)
    {
        std::lock_guard lock(mutex);
        if (!state || state == online)
            return;
        online = state;
        const auto current = handlers;
        for (const auto &[id, handler] : current) {
            if (handlers.contains(id))
                (*handler)(*state);
        }
    }
};

// Ends one subscription when released.
struct QtConnectivityWatcher::Subscription
{
    std::shared_ptr<Registry> registry;
    std::uint64_t id = 0;

    ~Subscription()
    {
        std::lock_guard lock(registry->mutex);
        registry->handlers.erase(id);
    }
};

std::shared_ptr<QtConnectivityWatcher> QtConnectivityWatcher::create()
{
    if (QCoreApplication::instance() == nullptr)
        return nullptr;
    if (QNetworkInformation::instance() == nullptr
        && !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return nullptr;
    QNetworkInformation *information = QNetworkInformation::instance();
    if (information == nullptr || !information->supports(QNetworkInformation::Feature::Reachability))
        return nullptr;

    auto watcher = std::make_shared<QtConnectivityWatcher>(QNetworkInformation::Reachability::Unknown);
    const std::weak_ptr<Registry> registry = watcher->m_registry;
    // Connected before reading the current state, so that no change falls between the two.
    watcher->m_registry->source = QObject::connect(information, &QNetworkInformation::reachabilityChanged,
        [registry](QNetworkInformation::Reachability reachability) {
            if (const auto alive = registry.lock())
                alive->update(onlineFor(reachability));
        });
    watcher->updateReachability(information->reachability());
    return watcher;
}

QtConnectivityWatcher::QtConnectivityWatcher(QNetworkInformation::Reachability initial)
    : m_registry(std::make_shared<Registry>())
{
    m_registry->online = onlineFor(initial);
}

QtConnectivityWatcher::~QtConnectivityWatcher() = default;

std::shared_ptr<void> QtConnectivityWatcher::subscribe(Handler handler)
{
    std::lock_guard lock(m_registry->mutex);
    auto subscription = std::make_shared<Subscription>();
    subscription->registry = m_registry;
    subscription->id = m_registry->nextID++;
    auto shared = std::make_shared<Handler>(std::move(handler));
    m_registry->handlers.emplace(subscription->id, shared);
    if (m_registry->online)
        (*shared)(*m_registry->online);
    return subscription;
}

void QtConnectivityWatcher::updateReachability(QNetworkInformation::Reachability reachability)
{
    m_registry->update(onlineFor(reachability));
}

} // namespace tallowin
