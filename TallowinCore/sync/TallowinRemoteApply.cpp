#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"

#include <string>

namespace tallowin {

// Read, merge and write all happen under the writer lock, so local edits saved while the sync ran are merged
// in rather than overwritten. A failing merge leaves the file and the backup folder untouched.
TallowinDocument TallowinRepository::applyRemote(const TallowinDocument &remote, const TallowinDocument &basedOn)
{
    const std::lock_guard guard(m_mutex);
    const WriterLock lock(lockPath());
    TallowinDocument local = readCanonical();
    TallowinDocument merged = TallowinSyncMerge::reconcile(&basedOn, local, remote);
    if (TallowinSyncMerge::equivalent(merged, local))
        return local;

    const std::filesystem::path folder = m_filePath.parent_path() / "SyncBackups";
    TallowinPrivateStorage::prepareDirectory(folder);
    const std::filesystem::path backup
        = folder / ("Tallowin-" + std::to_string(local.revision) + "-" + RandomIdentifier::uppercaseUUID() + ".md");
    writeAtomically(backup, TaskMarkdownCodec::encode(local));
    TallowinPrivateStorage::protectFile(backup);

    merged.revision = local.revision + 1;
    writeCanonical(merged);
    return merged;
}

} // namespace tallowin
