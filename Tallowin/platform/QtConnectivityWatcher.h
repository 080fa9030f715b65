#pragma once

#include "TallowinCore/sync/TallowinConnectivityWatcher.h"

#include <QNetworkInformation>

#include <memory>

namespace tallowin {

// Network reachability from QNetworkInformation. Reports the state a subscriber has not seen yet: the
// current one when subscribing (once it is known) and every later change. Site reachability counts as
// online, since a sync server may well live on the local network; an unknown state reports nothing.
class QtConnectivityWatcher final : public TallowinConnectivityWatcher
{
public:
    // The watcher of this machine's network, or nullptr when Qt has no reachability backend here (no
    // plugin, or none that works, as in a container without NetworkManager). Needs the application
    // object; reports arrive on its thread.
    static std::shared_ptr<QtConnectivityWatcher> create();

    // A watcher fed by updateReachability() alone.
    explicit QtConnectivityWatcher(QNetworkInformation::Reachability initial);
    ~QtConnectivityWatcher() override;
    QtConnectivityWatcher(const QtConnectivityWatcher &) = delete;
    QtConnectivityWatcher &operator=(const QtConnectivityWatcher &) = delete;

    // A subscription keeps the watcher's source connected even after the watcher itself is released.
    std::shared_ptr<void> subscribe(Handler handler) override;
    void updateReachability(QNetworkInformation::Reachability reachability);

private:
    struct Registry;
    struct Subscription;
    std::shared_ptr<Registry> m_registry;
};

} // namespace tallowin
