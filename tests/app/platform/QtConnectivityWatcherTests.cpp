#include "Tallowin/platform/QtConnectivityWatcher.h"

#include "tests/support/TemporaryFolder.h"

#include <QCoreApplication>
#include <QTest>

#include <optional>
#include <vector>

using namespace tallowin;
using namespace tallowin::test;

using Reachability = QNetworkInformation::Reachability;

class QtConnectivityWatcherTests : public QObject
{
    Q_OBJECT

private slots:
    // First, before anything loads a network backend into this process.
    void factoryReturnsNothingWithoutABackend()
    {
        TemporaryFolder noPlugins;
        const QStringList libraryPaths = QCoreApplication::libraryPaths();
        QCoreApplication::setLibraryPaths({QString::fromStdString(noPlugins.root().string())});
        const std::shared_ptr<QtConnectivityWatcher> watcher = QtConnectivityWatcher::create();
        QCoreApplication::setLibraryPaths(libraryPaths);
        QVERIFY(watcher == nullptr);
    }

    void factoryWorksWithWhateverBackendThisMachineHas()
    {
        const std::shared_ptr<QtConnectivityWatcher> watcher = QtConnectivityWatcher::create();
        if (watcher == nullptr)
            QSKIP("No network reachability backend loads on this machine.");
        std::vector<bool> states;
        std::shared_ptr<void> subscription = watcher->subscribe([&states](bool online) { states.push_back(online); });
        // At most the current state, known or not; the backend's own changes cannot be caused from here.
        QVERIFY(states.size() <= 1);
        subscription.reset();
        const std::size_t seen = states.size();
        watcher->updateReachability(
            states.empty() || states.back() ? Reachability::Disconnected : Reachability::Online);
        QCOMPARE(states.size(), seen);
    }

    void reportsTheKnownStateOnSubscribingAndEachChangeOnce()
    {
        QtConnectivityWatcher watcher(Reachability::Online);
        std::vector<bool> states;
        const auto subscription = watcher.subscribe([&states](bool online) { states.push_back(online); });
        QCOMPARE(states, std::vector<bool> {true});

        watcher.updateReachability(Reachability::Disconnected);
        watcher.updateReachability(Reachability::Disconnected);
        watcher.updateReachability(Reachability::Local);
        watcher.updateReachability(Reachability::Online);
        watcher.updateReachability(Reachability::Site);
        // Not knowing is not a change.
        watcher.updateReachability(Reachability::Unknown);
        watcher.updateReachability(Reachability::Online);
        QCOMPARE(states, (std::vector<bool> {true, false, true}));
    }

    void anUnknownStartReportsNothingUntilKnown()
    {
        QtConnectivityWatcher watcher(Reachability::Unknown);
        std::vector<bool> states;
        const auto subscription = watcher.subscribe([&states](bool online) { states.push_back(online); });
        QVERIFY(states.empty());
        watcher.updateReachability(Reachability::Disconnected);
        QCOMPARE(states, std::vector<bool> {false});
    }

    void releasedSubscriptionsHearNothingMore()
    {
        QtConnectivityWatcher watcher(Reachability::Online);
        std::vector<bool> first;
        std::vector<bool> second;
        auto firstSubscription = watcher.subscribe([&first](bool online) { first.push_back(online); });
        const auto secondSubscription = watcher.subscribe([&second](bool online) { second.push_back(online); });
        watcher.updateReachability(Reachability::Disconnected);
        firstSubscription.reset();
        watcher.updateReachability(Reachability::Online);
        QCOMPARE(first, (std::vector<bool> {true, false}));
        QCOMPARE(second, (std::vector<bool> {true, false, true}));
    }

    void aHandlerMayReleaseItsOwnSubscription()
    {
        QtConnectivityWatcher watcher(Reachability::Unknown);
        int calls = 0;
        std::shared_ptr<void> subscription;
        subscription = watcher.subscribe([&](bool) {
            ++calls;
            subscription.reset();
        });
        watcher.updateReachability(Reachability::Online);
        watcher.updateReachability(Reachability::Disconnected);
        QCOMPARE(calls, 1);
    }

    void aSubscriptionOutlivesTheWatcherSafely()
    {
        std::vector<bool> states;
        std::shared_ptr<void> subscription;
        {
            QtConnectivityWatcher watcher(Reachability::Online);
            subscription = watcher.subscribe([&states](bool online) { states.push_back(online); });
        }
        subscription.reset();
        QCOMPARE(states, std::vector<bool> {true});
    }
};

QTEST_MAIN(QtConnectivityWatcherTests)
#include "QtConnectivityWatcherTests.moc"
