#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tallowin {

namespace {

// Tells one state of the deck file from another without reading it: a replacement is another inode, a rewrite
// in place another size or modification time. Not the change time, which protecting the file moves.
struct FileState
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    friend bool operator==(const FileState &, const FileState &) = default;
};

FileState stateOf(const std::filesystem::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return {};
        throw TallowinFileError::failed("inspect", path, std::error_code(errno, std::generic_category()));
    }
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

} // namespace

// The file is read once, under the lock, so no writer of ours can come in between; the caller may change the
// deck it is given in place, so the old and the new deck are not held side by side.
std::optional<TallowinDocument> TallowinRepository::update(
    const Change &change, std::optional<std::int64_t> expectedRevision)
{
    const std::lock_guard guard(m_mutex);
    const WriterLock lock(lockPath());
    const FileState read = stateOf(m_filePath);
    TallowinDocument current = readCanonical();
    const std::int64_t readRevision = current.revision;
    if (expectedRevision && *expectedRevision != readRevision)
        throw TallowinRepositoryError::revisionConflict(*expectedRevision, readRevision);

    std::optional<TallowinDocument> next = change(std::move(current));
    if (!next)
        return std::nullopt;
    next->revision = readRevision + 1;
    next->updatedAt = TallowinClock::now(m_clock());
    // Each splits a large deck's cards with the helper thread, so they run one after the other.
    const TallowinDocument &stored = *next;
    stored.validate();
    const std::vector<std::string> text = TaskMarkdownCodec::encodePieces(stored);

    // Only a writer that ignores the lock can have touched the file; what it wrote is read again only then.
    if (stateOf(m_filePath) != read) {
        const std::int64_t revisionOnDisk = readCanonical().revision;
        if (revisionOnDisk != readRevision)
            throw TallowinRepositoryError::revisionConflict(readRevision, revisionOnDisk);
    }
    writeCanonicalText(text);
    return next;
}

} // namespace tallowin
