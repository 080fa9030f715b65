#include "TallowinCore/base/HelperThread.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"

#include <string>
#include <vector>

namespace tallowin {

// Everything happens under the writer lock, so no writer that follows the protocol comes in between the read, the
// check and the write. The file is read once at most, and only when the change needs the deck on disk or its
// revision is not known from the state this repository left the file in.
TallowinRepository::Written TallowinRepository::write(const Write &request)
{
    const std::lock_guard guard(m_mutex);
    const WriterLock lock(lockPath(), m_lockClock());
    const TallowinFileState before = TallowinFileState::of(m_filePath);
    const bool missing = !before.exists && request.whenMissing;

    std::optional<TallowinDocument> onDisk;
    std::optional<std::int64_t> revisionRead;
    const auto read = [&]() -> TallowinDocument & {
        if (!onDisk) {
            onDisk = missing ? request.whenMissing() : readCanonical();
            revisionRead = onDisk->revision;
        }
        return *onDisk;
    };

    // Whoever wrote since the caller's read has raised the revision; the caller must reload and redo.
    if (request.expectedRevision && !knownUnchanged(before, *request.expectedRevision)) {
        const std::int64_t revisionOnDisk = read().revision;
        if (revisionOnDisk != *request.expectedRevision)
            throw TallowinRepositoryError::revisionConflict(*request.expectedRevision, revisionOnDisk);
    }

    std::optional<TallowinDocument> changed;
    const TallowinDocument *stored = request.document;
    if (stored == nullptr) {
        changed = request.change(std::move(read()));
        onDisk.reset();
        if (!changed)
            return {};
        stored = &*changed;
    } else {
        // A read for the revision check is of no further use; freeing a large deck takes a while.
        onDisk.reset();
    }
    // Each splits a large deck's cards with the helper thread, so they run one after the other.
    stored->validate();
    const std::vector<std::string> text = TaskMarkdownCodec::encodePieces(*stored);

    // Only a writer that ignores the lock can have touched the file meanwhile; what it wrote is read again only then.
    if (TallowinFileState::of(m_filePath) != before) {
        const std::int64_t baseline = revisionRead ? *revisionRead : request.expectedRevision.value_or(0);
        const std::int64_t revisionOnDisk = readCanonical().revision;
        if (revisionOnDisk != baseline)
            throw TallowinRepositoryError::revisionConflict(baseline, revisionOnDisk);
    }

    Written written;
    if (request.backupFolder && before.exists) {
        // Without a text of the caller's, the copy is of the bytes on disk, so it restores exactly what was there.
        const std::string backupText = request.backupText ? request.backupText() : TallowinTextFile::read(m_filePath);
        written.backupPath = writeBackup(*request.backupFolder, revisionRead.value_or(0), backupText);
    }
    written.stored = true;
    if (!changed || request.returnsStored) {
        writeCanonicalText(text, stored->revision);
        if (changed)
            written.document = std::move(changed);
        return written;
    }
    // The caller does not want the deck back: it is freed beside the write instead of after it.
    const std::int64_t revision = stored->revision;
    HelperThread::runBoth([&] { writeCanonicalText(text, revision); }, [&] { changed.reset(); });
    return written;
}

std::optional<TallowinDocument> TallowinRepository::update(
    const Change &change, std::optional<std::int64_t> expectedRevision)
{
    Write request;
    request.expectedRevision = expectedRevision;
    request.change = [&](TallowinDocument &&onDisk) -> std::optional<TallowinDocument> {
        const std::int64_t readRevision = onDisk.revision;
        std::optional<TallowinDocument> next = change(std::move(onDisk));
        if (next) {
            next->revision = readRevision + 1;
            next->updatedAt = TallowinClock::now(m_clock());
        }
        return next;
    };
    return std::move(write(request).document);
}

} // namespace tallowin
