#include "TallowinCore/storage/TallowinRepository.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/FileDescriptor.h"
#include "TallowinCore/io/TallowinAtomicFile.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinMappedFile.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"

#include <fcntl.h>
#include <string>
#include <vector>

namespace tallowin {

struct TallowinRepository::KnownFile
{
    TallowinFileState state;
    std::int64_t revision = 0;
    FileDescriptor held;
};

namespace {

// The deck's folder is refused like the deck itself when it is a link or another user's. A missing folder
// is left to the read, which then reports the missing file.
void checkFolderOf(const std::filesystem::path &file)
{
    const std::filesystem::path folder = TallowinAtomicFile::folderOf(file);
    if (TallowinFileState::of(folder).exists)
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

int openToHold(const std::filesystem::path &path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}

} // namespace

TallowinRepository::TallowinRepository(std::filesystem::path filePath, Clock clock,
    std::shared_ptr<TallowinFileOperations> fileOperations, Clock lockClock)
    : m_filePath(std::move(filePath))
    , m_clock(std::move(clock))
    , m_fileOperations(fileOperations ? std::move(fileOperations) : std::make_shared<TallowinFileOperations>())
    , m_lockClock(std::move(lockClock))
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
    {
        const std::lock_guard guard(m_mutex);
        if (TallowinFileState::of(m_filePath).exists)
            return readCanonical();
    }
    // Another process may create the deck before the lock is ours; its deck wins then.
    bool missing = false;
    TallowinDocument found;
    Write request;
    request.whenMissing = [&] {
        missing = true;
        return seed;
    };
    request.change = [&](TallowinDocument &&onDisk) -> std::optional<TallowinDocument> {
        if (missing)
            return std::move(onDisk);
        found = std::move(onDisk);
        return std::nullopt;
    };
    Written written = write(request);
    return written.stored ? std::move(*written.document) : std::move(found);
}

const TallowinDocument &TallowinRepository::save(const TallowinDocument &document, std::int64_t expectedRevision)
{
    Write request;
    request.expectedRevision = expectedRevision;
    request.document = &document;
    write(request);
    return document;
}

TallowinDocument TallowinRepository::readCanonical()
{
    checkFolderOf(m_filePath);
    TallowinPrivateStorage::protectFile(m_filePath);
    // Held before the read and compared after it, so the state remembered is of the file that was read.
    FileDescriptor held(openToHold(m_filePath));
    const std::optional<TallowinFileState> heldState
        = held.get() >= 0 ? std::optional(TallowinFileState::ofDescriptor(held.get(), m_filePath)) : std::nullopt;
    TallowinDocument document;
    ++m_fileReads;
    if (m_mapsFileWhenReading)
        document = TaskMarkdownCodec::decodeConsuming(
            TallowinMappedFile::map(m_filePath, TallowinDocumentJson::paddingBytes()), m_readsOnce);
    else
        document = TaskMarkdownCodec::decodeConsuming(
            TallowinTextFile::read(m_filePath, TallowinDocumentJson::paddingBytes()), m_readsOnce);
    if (heldState && TallowinFileState::of(m_filePath) == *heldState)
        m_known.reset(new KnownFile {*heldState, document.revision, std::move(held)});
    else
        m_known.reset();
    return document;
}

void TallowinRepository::writeCanonical(const TallowinDocument &document)
{
    document.validate();
    writeCanonicalText(TaskMarkdownCodec::encodePieces(document), document.revision);
}

void TallowinRepository::writeCanonicalText(const std::vector<std::string> &pieces, std::int64_t revision)
{
    m_known.reset();
    TallowinPrivateStorage::protectFile(m_filePath);
    writeAtomically(m_filePath, pieces);
    TallowinPrivateStorage::protectFile(m_filePath);
    // The writer lock is still held, so the file opened now is the one just written.
    FileDescriptor held(openToHold(m_filePath));
    if (held.get() >= 0)
        m_known.reset(
            new KnownFile {TallowinFileState::ofDescriptor(held.get(), m_filePath), revision, std::move(held)});
}

std::filesystem::path TallowinRepository::writeBackup(
    const std::string &folderName, std::int64_t revision, const std::string &text)
{
    const std::filesystem::path folder = m_filePath.parent_path() / folderName;
    TallowinPrivateStorage::prepareDirectory(folder);
    const std::filesystem::path backup
        = folder / ("Tallowin-" + std::to_string(revision) + "-" + RandomIdentifier::uppercaseUUID() + ".md");
    writeAtomically(backup, text);
    TallowinPrivateStorage::protectFile(backup);
    return backup;
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

bool TallowinRepository::knownUnchanged(const TallowinFileState &state, std::int64_t revision) const
{
    return m_known && state.exists && m_known->state == state && m_known->revision == revision;
}

} // namespace tallowin
