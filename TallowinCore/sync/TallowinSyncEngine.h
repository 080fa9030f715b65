#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/io/TallowinFileOperations.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/sync/TallowinSyncTransport.h"

#include <filesystem>
#include <memory>
#include <mutex>

namespace tallowin {

// Runs one synchronisation of the local deck with the cloud copy: a three-way merge against the checkpoint,
// a conditional cloud save, an apply into the local file under its writer lock, then a new checkpoint.
// Safe to call from any thread; a call made while another runs is turned away, never queued.
class TALLOWIN_CORE_EXPORT TallowinSyncEngine
{
public:
    TallowinSyncEngine(std::shared_ptr<TallowinRepository> repository, std::shared_ptr<TallowinSyncTransport> transport,
        std::filesystem::path checkpointPath, std::shared_ptr<TallowinFileOperations> fileOperations = nullptr);
    TallowinSyncEngine(const TallowinSyncEngine &) = delete;
    TallowinSyncEngine &operator=(const TallowinSyncEngine &) = delete;

    const std::filesystem::path &checkpointPath() const { return m_checkpointPath; }
    bool isRunning() const;

    // Returns the deck now stored locally. Throws TallowinRepositoryError::writerBusy at once when a run is
    // under way, TallowinSyncError (account changed, or the transport's), and the errors of the checkpoint
    // file, the repository and the merge. The checkpoint only advances after a successful apply.
    TallowinDocument synchronize();

private:
    TallowinDocument run();

    std::shared_ptr<TallowinRepository> m_repository;
    std::shared_ptr<TallowinSyncTransport> m_transport;
    std::filesystem::path m_checkpointPath;
    std::shared_ptr<TallowinFileOperations> m_fileOperations;
    mutable std::mutex m_mutex;
    bool m_running = false;
};

} // namespace tallowin
