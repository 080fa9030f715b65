#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinEnvironment.h"
#include "TallowinCore/base/TallowinSerialExecutor.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/sync/TallowinConnectivityWatcher.h"
#include "TallowinCore/sync/TallowinRemoteChangeCenter.h"
#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "TallowinCore/sync/TallowinSyncTransport.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// Decides when the deck syncs (on request, when another device saved, when the network comes back), runs one
// sync at a time and folds requests made meanwhile into one more run, and publishes a status line.
// Confined to the thread of its main executor: every public call and every callback happens there. The engine
// runs on the worker executor. Triggers hold the coordinator weakly, so destroying it stops them.
class TALLOWIN_CORE_EXPORT TallowinCloudSync
{
public:
    // The value of an environment variable, or nothing when it is not set.

    struct Services
    {
        std::shared_ptr<TallowinSyncTransport> transport;
        std::shared_ptr<TallowinSerialExecutor> mainThread;
        std::shared_ptr<TallowinSerialExecutor> worker;
        // Optional: without them only requestSync() starts a run.
        std::shared_ptr<TallowinConnectivityWatcher> connectivity;
        std::shared_ptr<TallowinRemoteChangeCenter> notifications;
        Environment environment = &processEnvironment;
    };

    // The checkpoint lives in directory as "CloudSync.json".
    TallowinCloudSync(
        std::shared_ptr<TallowinRepository> repository, const std::filesystem::path &directory, Services services);
    ~TallowinCloudSync();
    TallowinCloudSync(const TallowinCloudSync &) = delete;
    TallowinCloudSync &operator=(const TallowinCloudSync &) = delete;

    // Starts a run, or marks one as pending when a run is under way. Does nothing for a deck chosen through
    // TALLOWIN_FILE_PATH and in demo mode (TALLOWIN_DEMO).
    void requestSync();

    const std::string &status() const { return m_status; }
    bool isSyncing() const { return m_isSyncing; }
    bool isPending() const { return m_pending; }
    bool isSubscribed() const { return m_subscribed; }

    // Receives the deck stored locally after every successful run.
    void setOnChange(std::function<void(const TallowinDocument &)> onChange) { m_onChange = std::move(onChange); }
    // Called whenever status() or isSyncing() changed.
    void setOnStateChange(std::function<void()> onStateChange) { m_onStateChange = std::move(onStateChange); }

    // The status a run ends with: "Synced with iCloud" without a failure, else "Saved locally. " and the
    // failure's description. Shared with tallowin-cli sync, which prints what the application shows.
    static std::string statusText(const std::exception_ptr &failure);

private:
    struct Outcome;

    void startRun();
    void synchronizeOnWorker();
    void finishSynchronize(const std::shared_ptr<Outcome> &outcome);
    void finishSubscribe(const std::exception_ptr &failure);
    void endRun();
    void connectivityChanged(bool online);
    void setStatus(std::string status);
    // Runs work on the main thread later, unless the coordinator is gone by then.
    static void deliver(TallowinSerialExecutor &mainThread, const std::weak_ptr<TallowinCloudSync *> &self,
        std::function<void(TallowinCloudSync &)> work);

    std::shared_ptr<TallowinSyncTransport> m_transport;
    std::shared_ptr<TallowinSyncEngine> m_engine;
    std::shared_ptr<TallowinSerialExecutor> m_mainThread;
    std::shared_ptr<TallowinSerialExecutor> m_worker;
    Environment m_environment;
    std::function<void(const TallowinDocument &)> m_onChange;
    std::function<void()> m_onStateChange;
    std::string m_status = "Saved on this device";
    bool m_isSyncing = false;
    bool m_pending = false;
    bool m_subscribed = false;
    bool m_networkWasUnavailable = false;
    std::vector<std::shared_ptr<void>> m_observers;
    // Callbacks hold this weakly; it dies with the coordinator.
    std::shared_ptr<TallowinCloudSync *> m_self;
};

} // namespace tallowin
