#include "TallowinCore/sync/TallowinRemoteApply.h"

#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"

namespace tallowin {

// Read, merge and write all happen in one write under the writer lock, so local edits saved while the sync ran are
// merged in rather than overwritten. A failing merge leaves the file and the backup folder untouched.
TallowinDocument TallowinRemoteApply::applyRemote(
    TallowinRepository &repository, const TallowinDocument &remote, const TallowinDocument &basedOn)
{
    TallowinDocument local;
    TallowinRepository::Write request;
    request.backupFolder = "SyncBackups";
    request.backupText = [&] { return TaskMarkdownCodec::encode(local); };
    request.change = [&](TallowinDocument &&onDisk) -> std::optional<TallowinDocument> {
        local = std::move(onDisk);
        TallowinDocument merged = TallowinSyncMerge::reconcile(&basedOn, local, remote);
        if (TallowinSyncMerge::equivalent(merged, local))
            return std::nullopt;
        merged.revision = local.revision + 1;
        return merged;
    };
    TallowinRepository::Written written = repository.write(request);
    return written.stored ? std::move(*written.document) : std::move(local);
}

} // namespace tallowin
