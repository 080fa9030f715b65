#include "TallowinCore/storage/TallowinRepository.h"

#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinAtomicFile.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinMappedFile.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"

#include <cerrno>
#include <future>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tallowin {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// Whether anything, a dangling link included, sits at the path itself.
bool entryExists(const std::filesystem::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) == 0)
        return true;
    if (errno == ENOENT || errno == ENOTDIR)
        return false;
    throw TallowinFileError::failed("inspect", path, lastError());
}

// The deck's folder is refused like the deck itself when it is a link or another user's. A missing folder
// is left to the read, which then reports the missing file.
void checkFolderOf(const std::filesystem::path &file)
{
    const std::filesystem::path folder = TallowinAtomicFile::folderOf(file);
    if (entryExists(folder))
        TallowinPrivateStorage::checkPath(folder, TallowinPrivateStorage::EntryType::directory);
}

// Temporary files of target are only made under the writer lock, which the caller holds, so any that
// exist now were left by a writer that died mid-write. Best effort: a leftover that stays is harmless.
void removeLeftoverTemporaries(TallowinFileOperations &operations, const std::filesystem::path &target)
{
    const std::string prefix = TallowinAtomicFile::temporaryPrefix(target);
    std::vector<std::filesystem::path> leftovers;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(TallowinAtomicFile::folderOf(target), error), end;
         !error && entry != end; entry.increment(error)) {
        if (entry->path().filename().string().starts_with(prefix))
            leftovers.push_back(entry->path());
    }
    for (const auto &leftover : leftovers)
        operations.remove(leftover);
}

} // namespace

TallowinRepository::TallowinRepository(
    std::filesystem::path filePath, Clock clock, std::shared_ptr<TallowinFileOperations> fileOperations)
    : m_filePath(std::move(filePath))
    , m_clock(std::move(clock))
    , m_fileOperations(fileOperations ? std::move(fileOperations) : std::make_shared<TallowinFileOperations>())
{ }

TallowinRepository::~TallowinRepository() = default;

std::filesystem::path TallowinRepository::lockPath() const
{
    return std::filesystem::path(m_filePath.native() + ".lock");
}

TallowinDocument TallowinRepository::load()
{
    const std::lock_guard guard(m_mutex);
    return readCanonical();
}

TallowinDocument TallowinRepository::prepareIfNeeded(const TallowinDocument &seed)
{
    const std::lock_guard guard(m_mutex);
    if (entryExists(m_filePath))
        return readCanonical();
    const WriterLock lock(lockPath());
    // Another process may have created the deck between our look and the lock; its deck wins.
    if (entryExists(m_filePath))
        return readCanonical();
    writeCanonical(seed);
    return seed;
}

TallowinDocument TallowinRepository::save(TallowinDocument document, std::int64_t expectedRevision)
{
    const std::lock_guard guard(m_mutex);
    const WriterLock lock(lockPath());
    // The new deck is validated and encoded on a second thread while this one reads the file on disk:
    // the two do not depend on each other, and the save path is the one every change takes.
    std::future<std::vector<std::string>> encoded = std::async(std::launch::async, [&document] {
        document.validate();
        return TaskMarkdownCodec::encodePieces(document);
    });
    std::optional<TallowinDocument> onDisk;
    try {
        onDisk = readCanonical();
    } catch (...) {
        encoded.wait();
        throw;
    }
    // Whoever wrote since the caller's load has raised the revision; the caller must reload and redo.
    const std::int64_t revisionOnDisk = onDisk->revision;
    // Freeing a large deck takes a while; do it beside the write instead of before it.
    std::future<void> released = std::async(std::launch::async,
        [discarded = std::move(*onDisk)]() mutable { const TallowinDocument gone = std::move(discarded); });
    onDisk.reset();
    if (revisionOnDisk != expectedRevision)
        throw TallowinRepositoryError::revisionConflict(expectedRevision, revisionOnDisk);
    writeCanonicalText(encoded.get());
    return document;
}

TallowinDocument TallowinRepository::readCanonical()
{
    checkFolderOf(m_filePath);
    TallowinPrivateStorage::protectFile(m_filePath);
    if (m_mapsFileWhenReading)
        return TaskMarkdownCodec::decodeConsuming(
            TallowinMappedFile::map(m_filePath, TallowinDocumentJson::paddingBytes()));
    return TaskMarkdownCodec::decodeConsuming(TallowinTextFile::read(m_filePath));
}

void TallowinRepository::writeCanonical(const TallowinDocument &document)
{
    document.validate();
    writeCanonicalText(TaskMarkdownCodec::encodePieces(document));
}

void TallowinRepository::writeCanonicalText(const std::vector<std::string> &pieces)
{
    TallowinPrivateStorage::protectFile(m_filePath);
    writeAtomically(m_filePath, pieces);
    TallowinPrivateStorage::protectFile(m_filePath);
}

void TallowinRepository::writeAtomically(const std::filesystem::path &path, const std::string &text)
{
    removeLeftoverTemporaries(*m_fileOperations, path);
    TallowinAtomicFile::write(path, text, *m_fileOperations);
}

void TallowinRepository::writeAtomically(const std::filesystem::path &path, const std::vector<std::string> &pieces)
{
    removeLeftoverTemporaries(*m_fileOperations, path);
    TallowinAtomicFile::write(path, pieces, *m_fileOperations);
}

} // namespace tallowin
