#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/document/TaskContract.h"
#include "TallowinCore/io/TallowinFileOperations.h"
#include "TallowinCore/io/TallowinFileState.h"
#include "TallowinCore/storage/TallowinImportReport.h"
#include "TallowinCore/workflow/TallowinAppending.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// Owns the canonical deck file. Every write goes through write(): under a cross-process lock file it reads the file
// at most once, checks the revision the caller read, applies the caller's change, validates, encodes and replaces
// the file atomically with owner-only permissions. Operations run one at a time (a mutex); the object may be called
// from any thread. No document is cached: what the repository keeps is the file state and revision it last read or
// wrote, so that a write can see without reading the file that nobody else wrote since.
class TALLOWIN_CORE_EXPORT TallowinRepository
{
public:
    using Clock = std::function<TallowinInstant()>;
    // What a write makes of the deck on disk (handed over by move, so it can be changed in place): the deck to
    // store, or nothing to leave the file as it is.
    using Change = std::function<std::optional<TallowinDocument>(TallowinDocument &&onDisk)>;

    // One write into the deck file.
    struct Write
    {
        // The revision the caller read; the file at another revision fails with revisionConflict before anything
        // is written. Nothing: whatever revision is on disk.
        std::optional<std::int64_t> expectedRevision;
        // A whole new deck, stored exactly as given (revision and updatedAt included); the caller keeps it, it is
        // not copied, and the file on disk is only read when the revision check needs it.
        const TallowinDocument *document = nullptr;
        // Otherwise the change of the deck on disk.
        Change change;
        // The deck a change starts from when there is no file yet; without it a missing file is an error.
        std::function<TallowinDocument()> whenMissing;
        // Before the deck on disk is replaced, a copy of it goes into this folder beside the deck, named
        // "Tallowin-" + its revision + "-" + a new upper-case UUID + ".md". A missing file leaves no backup.
        std::optional<std::string> backupFolder;
        // The backup's text; without it, the bytes on disk as they are.
        std::function<std::string()> backupText;
        // The stored deck is returned; otherwise it is freed beside the file write.
        bool returnsStored = true;
    };

    // What a write did.
    struct Written
    {
        // Something was stored.
        bool stored = false;
        // With returnsStored, the stored deck; when nothing was stored, the deck on disk if it was read.
        std::optional<TallowinDocument> document;
        std::optional<std::filesystem::path> backupPath;
    };

    // An empty lock file that nobody holds is a writer between creating it and writing its ID until it is this old
    // (by its modification time, against the lock clock); after that it is the leftover of a writer that died
    // there, and is removed.
    static constexpr std::chrono::seconds emptyLockGracePeriod {5};

    // clock gives the times the repository stamps on decks it changes; lockClock the real time an empty lock file's
    // age is measured against, which stays the clock's even when the stamps come from a fixed time.
    explicit TallowinRepository(std::filesystem::path filePath, Clock clock = &TallowinClock::current,
        std::shared_ptr<TallowinFileOperations> fileOperations = nullptr, Clock lockClock = &TallowinClock::current);
    ~TallowinRepository();
    TallowinRepository(const TallowinRepository &) = delete;
    TallowinRepository &operator=(const TallowinRepository &) = delete;

    const std::filesystem::path &filePath() const { return m_filePath; }
    // The canonical path with ".lock" appended.
    std::filesystem::path lockPath() const;

    // The front door: every change of the deck file is one of these. Any failure leaves the file as it was. A
    // writer that ignored the lock and changed the file while the change was computed fails it with
    // revisionConflict when it moved the revision.
    Written write(const Write &request);

    // Reads and decodes without a lock; relies on writers replacing the file atomically.
    TallowinDocument load();
    // The existing deck, or the seed written unchanged when there is no file yet.
    TallowinDocument prepareIfNeeded(const TallowinDocument &seed);
    // Writes the document as given if the file still has expectedRevision; the caller sets revision and time.
    // Returns the document it was given.
    const TallowinDocument &save(const TallowinDocument &document, std::int64_t expectedRevision);
    // One change from a single read: change receives the deck on disk and returns the deck to store, which gets the
    // read revision + 1 and a fresh clock reading as updatedAt. Returns the stored deck, or nothing when change
    // returned nothing. With expectedRevision, a file at another revision fails with revisionConflict first.
    std::optional<TallowinDocument> update(
        const Change &change, std::optional<std::int64_t> expectedRevision = std::nullopt);
    // Folds pipeline input into the file under the lock; input that changes nothing writes nothing. With tally, also
    // counts what the input did to the cards.
    TallowinDocument ingest(const std::vector<TaskContract> &contracts, TallowinAppending::Tally *tally = nullptr);
    // Merges other deck files into the canonical one, reporting per file.
    TallowinImportReport importFiles(const std::vector<std::filesystem::path> &paths);

    // Reads map the deck file instead of copying it. Only for a process that has called
    // TallowinMappedFile::exitCleanlyOnTruncation(), since another program cutting the file short in place
    // while it is read raises SIGBUS.
    void mapFileWhenReading(bool maps) { m_mapsFileWhenReading = maps; }
    // For a process that reads the deck once: the parser's buffers are freed as soon as the deck is built.
    void readsOnce(bool once) { m_readsOnce = once; }
    // How often this repository has read and decoded the deck file; shows that a write found it unchanged.
    std::size_t fileReads() const { return m_fileReads; }

private:
    class WriterLock;
    // The file as this repository last read or wrote it, kept open so that its inode cannot pass to a later file.
    struct KnownFile;

    // Protects, reads and decodes the canonical file, and remembers its state. Callers hold m_mutex.
    TallowinDocument readCanonical();
    // Validates, encodes and atomically replaces the canonical file. Callers hold m_mutex and the writer lock.
    void writeCanonical(const TallowinDocument &document);
    // Atomically replaces the canonical file with an encoded deck, owner-only, and remembers its state. Callers
    // hold both locks.
    void writeCanonicalText(const std::vector<std::string> &pieces, std::int64_t revision);
    // Writes a backup of the deck on disk into folder beside the deck. Callers hold both locks.
    std::filesystem::path writeBackup(const std::string &folder, std::int64_t revision, const std::string &text);
    // Atomically replaces path with text (temporary file in the same folder, fsync, rename, fsync of the folder).
    // Callers hold the writer lock, which also makes temporaries left by a writer that died safe to remove.
    void writeAtomically(const std::filesystem::path &path, const std::string &text);
    void writeAtomically(const std::filesystem::path &path, const std::vector<std::string> &pieces);
    // The revision on disk is known without reading the file: it is in the state this repository left it in.
    bool knownUnchanged(const TallowinFileState &state, std::int64_t revision) const;

    std::filesystem::path m_filePath;
    Clock m_clock;
    std::shared_ptr<TallowinFileOperations> m_fileOperations;
    Clock m_lockClock;
    std::mutex m_mutex;
    std::unique_ptr<KnownFile> m_known;
    bool m_mapsFileWhenReading = false;
    bool m_readsOnce = false;
    std::size_t m_fileReads = 0;
};

} // namespace tallowin
