#include "TallowinCore/sync/TallowinCloudSync.h"

#include <cstdlib>
#include <variant>

namespace tallowin {

namespace {

constexpr const char *syncingStatus = "Syncing with iCloud\u2026";
constexpr const char *syncedStatus = "Synced with iCloud";
constexpr const char *liveUpdatesUnavailableStatus
    = "Saved to iCloud. Live updates are unavailable; open the app or sync to refresh.";
constexpr const char *failedStatusPrefix = "Saved locally. ";

std::string descriptionOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &error) {
        return error.what();
    } catch (...) {
        return "Unknown error.";
    }
}

} // namespace

std::string TallowinCloudSync::statusText(const std::exception_ptr &failure)
{
    return failure ? failedStatusPrefix + descriptionOf(failure) : std::string(syncedStatus);
}

// The engine's result, carried from the worker back to the main thread.
struct TallowinCloudSync::Outcome
{
    std::variant<TallowinDocument, std::exception_ptr> result;
};

TallowinCloudSync::TallowinCloudSync(
    std::shared_ptr<TallowinRepository> repository, const std::filesystem::path &directory, Services services)
    : m_transport(std::move(services.transport))
    , m_engine(std::make_shared<TallowinSyncEngine>(std::move(repository), m_transport, directory / "CloudSync.json"))
    , m_mainThread(std::move(services.mainThread))
    , m_worker(std::move(services.worker))
    , m_environment(std::move(services.environment))
    , m_self(std::make_shared<TallowinCloudSync *>(this))
{
    // Notifications and network updates may arrive on any thread; both hop to the main thread first.
    // They capture no pointer to the coordinator, so a delivery racing its destruction reaches nothing.
    const std::weak_ptr<TallowinCloudSync *> self = m_self;
    const std::shared_ptr<TallowinSerialExecutor> mainThread = m_mainThread;
    if (services.notifications) {
        for (const char *name : {TallowinRemoteChangeCenter::remoteChange, TallowinRemoteChangeCenter::accountChange})
            m_observers.push_back(services.notifications->observe(name, [self, mainThread] {
                deliver(*mainThread, self, [](TallowinCloudSync &sync) { sync.requestSync(); });
            }));
    }
    if (services.connectivity) {
        m_observers.push_back(services.connectivity->subscribe([self, mainThread](bool online) {
            deliver(*mainThread, self, [online](TallowinCloudSync &sync) { sync.connectivityChanged(online); });
        }));
    }
}

TallowinCloudSync::~TallowinCloudSync()
{
    // Stops the triggers before anything they could reach goes away.
    m_observers.clear();
}

void TallowinCloudSync::deliver(TallowinSerialExecutor &mainThread, const std::weak_ptr<TallowinCloudSync *> &self,
    std::function<void(TallowinCloudSync &)> work)
{
    // The weak pointer is only read on the main thread, where the coordinator is also destroyed.
    mainThread.post([self, work = std::move(work)] {
        if (const auto alive = self.lock())
            work(**alive);
    });
}

void TallowinCloudSync::requestSync()
{
    // A deck file chosen by hand and the demo deck are never synced.
    if (m_environment("TALLOWIN_FILE_PATH") || m_environment("TALLOWIN_DEMO"))
        return;
    if (m_isSyncing) {
        m_pending = true;
        return;
    }
    m_isSyncing = true;
    setStatus(syncingStatus);
    deliver(*m_mainThread, m_self, [](TallowinCloudSync &sync) { sync.startRun(); });
}

void TallowinCloudSync::startRun()
{
    m_pending = false;
    synchronizeOnWorker();
}

void TallowinCloudSync::synchronizeOnWorker()
{
    // The worker keeps the engine alive; the result only comes back if the coordinator still exists.
    std::weak_ptr<TallowinCloudSync *> self = m_self;
    m_worker->post([engine = m_engine, mainThread = m_mainThread, self] {
        auto outcome = std::make_shared<Outcome>();
        try {
            outcome->result = engine->synchronize();
        } catch (...) {
            outcome->result = std::current_exception();
        }
        mainThread->post([self, outcome] {
            if (const auto alive = self.lock())
                (*alive)->finishSynchronize(outcome);
        });
    });
}

void TallowinCloudSync::finishSynchronize(const std::shared_ptr<Outcome> &outcome)
{
    if (const auto *failure = std::get_if<std::exception_ptr>(&outcome->result)) {
        // Requests made during a failed run are not retried; the next trigger starts afresh.
        m_pending = false;
        setStatus(statusText(*failure));
        endRun();
        return;
    }
    if (m_onChange)
        m_onChange(std::get<TallowinDocument>(outcome->result));
    if (m_pending) {
        // However many requests came in, one more run covers them all.
        startRun();
        return;
    }
    setStatus(statusText(nullptr));
    if (m_subscribed) {
        endRun();
        return;
    }
    std::weak_ptr<TallowinCloudSync *> self = m_self;
    m_worker->post([transport = m_transport, mainThread = m_mainThread, self] {
        std::exception_ptr failure;
        try {
            transport->subscribe();
        } catch (...) {
            failure = std::current_exception();
        }
        mainThread->post([self, failure] {
            if (const auto alive = self.lock())
                (*alive)->finishSubscribe(failure);
        });
    });
}

void TallowinCloudSync::finishSubscribe(const std::exception_ptr &failure)
{
    if (failure)
        setStatus(liveUpdatesUnavailableStatus);
    else
        m_subscribed = true;
    // A request made while the subscription was saved still belongs to this run.
    if (m_pending) {
        setStatus(syncingStatus);
        startRun();
        return;
    }
    endRun();
}

void TallowinCloudSync::endRun()
{
    m_isSyncing = false;
    if (m_onStateChange)
        m_onStateChange();
}

void TallowinCloudSync::connectivityChanged(bool online)
{
    // Only the return from offline starts a sync; staying online does not.
    if (online && m_networkWasUnavailable)
        requestSync();
    m_networkWasUnavailable = !online;
}

void TallowinCloudSync::setStatus(std::string status)
{
    m_status = std::move(status);
    if (m_onStateChange)
        m_onStateChange();
}

} // namespace tallowin
