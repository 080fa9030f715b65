#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/sync/TallowinCloudSync.h"
#include "TallowinCore/sync/TallowinSyncCheckpoint.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakeSyncTransport.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tallowin {
namespace {

// Keeps posted work until the test runs it.
class ManualExecutor : public TallowinSerialExecutor
{
public:
    void post(std::function<void()> work) override { m_queue.push_back(std::move(work)); }
    std::size_t queued() const { return m_queue.size(); }
    void runNext()
    {
        ASSERT_FALSE(m_queue.empty());
        auto work = std::move(m_queue.front());
        m_queue.pop_front();
        work();
    }

private:
    std::deque<std::function<void()>> m_queue;
};

class ManualConnectivity : public TallowinConnectivityWatcher
{
public:
    std::shared_ptr<void> subscribe(Handler handler) override
    {
        m_handler = std::move(handler);
        return nullptr;
    }
    void report(bool online) { m_handler(online); }

private:
    Handler m_handler;
};

class TallowinCloudSyncTest : public ::testing::Test
{
protected:
    TallowinCloudSyncTest()
        : repository(std::make_shared<TallowinRepository>(folder.path("Tallowin.md")))
    {
        repository->prepareIfNeeded(test::makeDocument({test::makeTask("KB-001")}));
    }

    std::unique_ptr<TallowinCloudSync> makeSync()
    {
        TallowinCloudSync::Services services;
        services.transport = cloud;
        services.mainThread = mainThread;
        services.worker = worker;
        services.connectivity = connectivity;
        services.notifications = notifications;
        services.environment = [this](const std::string &name) -> std::optional<std::string> {
            const auto found = environment.find(name);
            return found == environment.end() ? std::nullopt : std::optional(found->second);
        };
        auto sync = std::make_unique<TallowinCloudSync>(repository, folder.root(), services);
        sync->setOnChange([this](const TallowinDocument &deck) { delivered.push_back(deck); });
        return sync;
    }

    // Runs queued work, main thread first, until nothing is left; returns the number of steps.
    int drain()
    {
        int steps = 0;
        while (mainThread->queued() + worker->queued() > 0) {
            if (mainThread->queued() > 0)
                mainThread->runNext();
            else
                worker->runNext();
            ++steps;
        }
        return steps;
    }

    test::TemporaryFolder folder;
    std::shared_ptr<TallowinRepository> repository;
    std::shared_ptr<test::FakeSyncTransport> cloud = std::make_shared<test::FakeSyncTransport>();
    std::shared_ptr<ManualExecutor> mainThread = std::make_shared<ManualExecutor>();
    std::shared_ptr<ManualExecutor> worker = std::make_shared<ManualExecutor>();
    std::shared_ptr<ManualConnectivity> connectivity = std::make_shared<ManualConnectivity>();
    std::shared_ptr<TallowinRemoteChangeCenter> notifications = std::make_shared<TallowinRemoteChangeCenter>();
    std::map<std::string, std::string> environment;
    std::vector<TallowinDocument> delivered;
};

TEST_F(TallowinCloudSyncTest, RunGoesThroughEachStepAndSubscribesOnce)
{
    auto sync = makeSync();
    EXPECT_EQ(sync->status(), "Saved on this device");
    EXPECT_FALSE(sync->isSyncing());
    int stateChanges = 0;
    sync->setOnStateChange([&] { ++stateChanges; });

    sync->requestSync();
    EXPECT_TRUE(sync->isSyncing());
    EXPECT_EQ(sync->status(), "Syncing with iCloud\u2026");
    EXPECT_EQ(cloud->fetchCount(), 0);

    mainThread->runNext();
    ASSERT_EQ(worker->queued(), 1u);
    worker->runNext();
    EXPECT_EQ(cloud->fetchCount(), 1);
    EXPECT_TRUE(delivered.empty());
    mainThread->runNext();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], repository->load());
    EXPECT_EQ(sync->status(), "Synced with iCloud");
    // Still syncing while the subscription is saved.
    EXPECT_TRUE(sync->isSyncing());
    EXPECT_FALSE(sync->isSubscribed());
    EXPECT_EQ(drain(), 2);
    EXPECT_TRUE(sync->isSubscribed());
    EXPECT_FALSE(sync->isSyncing());
    EXPECT_EQ(cloud->subscribeCount(), 1);
    EXPECT_GE(stateChanges, 3);

    sync->requestSync();
    EXPECT_EQ(drain(), 3);
    EXPECT_EQ(cloud->fetchCount(), 2);
    EXPECT_EQ(cloud->subscribeCount(), 1);
    EXPECT_EQ(sync->status(), "Synced with iCloud");
    EXPECT_EQ(delivered.size(), 2u);
}

TEST_F(TallowinCloudSyncTest, RequestsDuringARunCauseExactlyOneMoreRun)
{
    auto sync = makeSync();
    sync->requestSync();
    mainThread->runNext();
    sync->requestSync();
    sync->requestSync();
    worker->runNext();
    sync->requestSync();
    EXPECT_TRUE(sync->isPending());

    drain();
    EXPECT_EQ(cloud->fetchCount(), 2);
    EXPECT_EQ(delivered.size(), 2u);
    EXPECT_FALSE(sync->isPending());
    EXPECT_FALSE(sync->isSyncing());
    EXPECT_EQ(sync->status(), "Synced with iCloud");
}

TEST_F(TallowinCloudSyncTest, RequestWhileTheSubscriptionIsSavedRunsOnceMore)
{
    auto sync = makeSync();
    sync->requestSync();
    mainThread->runNext();
    worker->runNext();
    mainThread->runNext();
    sync->requestSync();
    drain();
    EXPECT_EQ(cloud->fetchCount(), 2);
    EXPECT_EQ(cloud->subscribeCount(), 1);
    EXPECT_EQ(sync->status(), "Synced with iCloud");
}

TEST_F(TallowinCloudSyncTest, FailedRunShowsTheErrorAfterSavedLocallyAndDropsThePendingRequest)
{
    TallowinFileOperations operations;
    TallowinSyncCheckpoint::write(folder.path("CloudSync.json"), {"someone-else", std::nullopt}, operations);
    auto sync = makeSync();
    sync->requestSync();
    mainThread->runNext();
    sync->requestSync();

    drain();
    EXPECT_EQ(sync->status(),
        "Saved locally. This deck belongs to another Apple Account. Sign back into that account to sync. Your "
        "local tasks are safe.");
    EXPECT_FALSE(sync->isSyncing());
    EXPECT_FALSE(sync->isPending());
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(cloud->subscribeCount(), 0);
    EXPECT_EQ(cloud->fetchCount(), 0);
}

TEST_F(TallowinCloudSyncTest, FailedSubscriptionStillCountsAsSyncedAndIsTriedAgain)
{
    auto sync = makeSync();
    cloud->failNextSubscribe(std::make_exception_ptr(TallowinSyncError::unavailable("No pushes.")));
    sync->requestSync();
    drain();
    EXPECT_EQ(sync->status(), "Saved to iCloud. Live updates are unavailable; open the app or sync to refresh.");
    EXPECT_FALSE(sync->isSubscribed());
    EXPECT_EQ(delivered.size(), 1u);

    sync->requestSync();
    drain();
    EXPECT_TRUE(sync->isSubscribed());
    EXPECT_EQ(sync->status(), "Synced with iCloud");
}

TEST_F(TallowinCloudSyncTest, RemoteChangeNotificationStartsARun)
{
    auto sync = makeSync();
    notifications->post("TallowinRemoteChange");
    EXPECT_FALSE(sync->isSyncing());
    drain();
    EXPECT_EQ(cloud->fetchCount(), 1);
    EXPECT_EQ(sync->status(), "Synced with iCloud");

    notifications->post("SomethingElse");
    EXPECT_EQ(drain(), 0);
}

TEST_F(TallowinCloudSyncTest, OnlyTheReturnFromOfflineStartsARun)
{
    auto sync = makeSync();
    connectivity->report(true);
    EXPECT_EQ(drain(), 1);
    connectivity->report(false);
    drain();
    EXPECT_EQ(cloud->fetchCount(), 0);

    connectivity->report(true);
    drain();
    EXPECT_EQ(cloud->fetchCount(), 1);
    connectivity->report(true);
    drain();
    EXPECT_EQ(cloud->fetchCount(), 1);
}

TEST_F(TallowinCloudSyncTest, ChosenDeckFileAndDemoModeAreNeverSynced)
{
    for (const char *variable : {"TALLOWIN_FILE_PATH", "TALLOWIN_DEMO"}) {
        environment = {{variable, ""}};
        auto sync = makeSync();
        sync->requestSync();
        notifications->post("TallowinRemoteChange");
        connectivity->report(false);
        connectivity->report(true);
        drain();
        EXPECT_EQ(sync->status(), "Saved on this device") << variable;
        EXPECT_FALSE(sync->isSyncing()) << variable;
    }
    EXPECT_EQ(cloud->fetchCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path("CloudSync.json")));
}

TEST_F(TallowinCloudSyncTest, DestroyedCoordinatorIgnoresWorkStillQueued)
{
    auto sync = makeSync();
    sync->requestSync();
    mainThread->runNext();
    sync.reset();
    notifications->post("TallowinRemoteChange");
    drain();
    // The run already handed to the worker finishes, but nothing reaches the coordinator any more.
    EXPECT_EQ(cloud->fetchCount(), 1);
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(cloud->subscribeCount(), 0);
}

} // namespace
} // namespace tallowin
