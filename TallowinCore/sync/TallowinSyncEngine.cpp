#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "TallowinCore/sync/TallowinRemoteApply.h"

#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/sync/TallowinSyncCheckpoint.h"

namespace tallowin {

TallowinSyncEngine::TallowinSyncEngine(std::shared_ptr<TallowinRepository> repository,
    std::shared_ptr<TallowinSyncTransport> transport, std::filesystem::path checkpointPath,
    std::shared_ptr<TallowinFileOperations> fileOperations)
    : m_repository(std::move(repository))
    , m_transport(std::move(transport))
    , m_checkpointPath(std::move(checkpointPath))
    , m_fileOperations(fileOperations ? std::move(fileOperations) : std::make_shared<TallowinFileOperations>())
{ }

bool TallowinSyncEngine::isRunning() const
{
    const std::lock_guard guard(m_mutex);
    return m_running;
}

TallowinDocument TallowinSyncEngine::synchronize()
{
    {
        // Only the flag is guarded: the run itself waits on the network and must not hold callers up.
        const std::lock_guard guard(m_mutex);
        if (m_running)
            throw TallowinRepositoryError::writerBusy();
        m_running = true;
    }
    struct Idle
    {
        TallowinSyncEngine &engine;
        ~Idle()
        {
            const std::lock_guard guard(engine.m_mutex);
            engine.m_running = false;
        }
    } idle {*this};
    return run();
}

TallowinDocument TallowinSyncEngine::run()
{
    const std::string accountID = m_transport->accountID();

    // A deck bound to another account is never merged with this one's cloud copy.
    const std::optional<TallowinSyncCheckpoint> checkpoint = TallowinSyncCheckpoint::read(m_checkpointPath);
    if (checkpoint && checkpoint->accountID != accountID)
        throw TallowinSyncError::accountChanged();

    const TallowinDocument local = m_repository->load();
    const std::optional<TallowinRemoteSnapshot> snapshot = m_transport->fetch();

    // Binds the deck to the account from the first attempt on, even if this run fails later.
    if (!checkpoint) {
        TallowinSyncCheckpoint binding {accountID, std::nullopt};
        if (snapshot)
            binding.document = snapshot->document;
        TallowinSyncCheckpoint::write(m_checkpointPath, binding, *m_fileOperations);
    }

    const std::optional<TallowinDocument> noBase;
    const std::optional<TallowinDocument> &base = checkpoint ? checkpoint->document : noBase;
    const TallowinDocument merged = snapshot ? TallowinSyncMerge::reconcile(base, local, snapshot->document) : local;

    if (!snapshot)
        m_transport->save(merged, std::nullopt);
    else if (!TallowinSyncMerge::equivalent(merged, snapshot->document))
        m_transport->save(merged, snapshot->token);

    // Edits saved locally since the load are merged in by the repository, with the loaded deck as their base.
    TallowinDocument applied = TallowinRemoteApply::applyRemote(*m_repository, merged, local);
    // The checkpoint must hold what the cloud holds too. Edits merged in by the apply have not been uploaded;
    // were they in the base, the next run would take the cloud's older values for remote edits and undo them.
    const TallowinDocument &agreed = TallowinSyncMerge::equivalent(applied, merged) ? applied : merged;
    TallowinSyncCheckpoint::write(m_checkpointPath, TallowinSyncCheckpoint {accountID, agreed}, *m_fileOperations);
    return applied;
}

} // namespace tallowin
