#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/document/TaskContract.h"
#include "TallowinCore/io/TallowinFileOperations.h"
#include "TallowinCore/storage/TallowinImportReport.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tallowin {

// Owns the canonical deck file. Every write happens under a cross-process lock file, checks the revision
// the caller read, and replaces the file atomically with owner-only permissions. Operations run one at a
// time (a mutex); the object may be called from any thread. No document is cached: each call reads anew.
class TALLOWIN_CORE_EXPORT TallowinRepository
{
public:
    using Clock = std::function<TallowinInstant()>;
    // What update() makes of the deck it read: the deck to store, or nothing to leave the file as it is.
    using Change = std::function<std::optional<TallowinDocument>(TallowinDocument &&current)>;

    explicit TallowinRepository(std::filesystem::path filePath, Clock clock = &TallowinClock::current,
        std::shared_ptr<TallowinFileOperations> fileOperations = nullptr);
    ~TallowinRepository();
    TallowinRepository(const TallowinRepository &) = delete;
    TallowinRepository &operator=(const TallowinRepository &) = delete;

    const std::filesystem::path &filePath() const { return m_filePath; }
    // The canonical path with ".lock" appended.
    std::filesystem::path lockPath() const;

    // Reads and decodes without a lock; relies on writers replacing the file atomically.
    TallowinDocument load();
    // The existing deck, or the seed written unchanged when there is no file yet.
    TallowinDocument prepareIfNeeded(const TallowinDocument &seed);
    // Writes the document as given if the file still has expectedRevision; the caller sets revision and time.
    // Returns the written document (move it in to avoid a copy).
    TallowinDocument save(TallowinDocument document, std::int64_t expectedRevision);
    // One change from a single read, all under the writer lock: change receives the deck as it is on disk (by move,
    // so it can change it in place) and returns the deck to store, which gets the read revision + 1 and a fresh
    // clock reading as updatedAt and is validated, encoded and written like save() writes. Returns the stored deck,
    // or nothing when change returned nothing and nothing was written. With expectedRevision, a file at another
    // revision fails with revisionConflict before change runs; a writer that ignored the lock and raised the
    // revision meanwhile fails it too. Any failure leaves the file as it was.
    std::optional<TallowinDocument> update(
        const Change &change, std::optional<std::int64_t> expectedRevision = std::nullopt);
    // Folds pipeline input into the file under the lock; input that changes nothing writes nothing.
    TallowinDocument ingest(const std::vector<TaskContract> &contracts);
    // Merges a deck from the cloud into the file as it is now, against basedOn (the deck the sync started from),
    // keeping a backup of the replaced deck in "SyncBackups"; a merge that changes nothing writes nothing.
    TallowinDocument applyRemote(const TallowinDocument &remote, const TallowinDocument &basedOn);
    // Merges other deck files into the canonical one, reporting per file.
    TallowinImportReport importFiles(const std::vector<std::filesystem::path> &paths);

    // Reads map the deck file instead of copying it. Only for a process that has called
    // TallowinMappedFile::exitCleanlyOnTruncation(), since another program cutting the file short in place
    // while it is read raises SIGBUS.
    void mapFileWhenReading(bool maps) { m_mapsFileWhenReading = maps; }

private:
    class WriterLock;

    // Protects, reads and decodes the canonical file. Callers hold m_mutex.
    TallowinDocument readCanonical();
    // Validates, encodes and atomically replaces the canonical file. Callers hold m_mutex and the writer lock.
    void writeCanonical(const TallowinDocument &document);
    // Atomically replaces the canonical file with an encoded deck, owner-only. Callers hold both locks.
    void writeCanonicalText(const std::vector<std::string> &pieces);
    // Atomically replaces path with text (temporary file in the same folder, fsync, rename, fsync of the folder).
    // Callers hold the writer lock, which also makes temporaries left by a writer that died safe to remove.
    void writeAtomically(const std::filesystem::path &path, const std::string &text);
    void writeAtomically(const std::filesystem::path &path, const std::vector<std::string> &pieces);

    std::filesystem::path m_filePath;
    Clock m_clock;
    std::shared_ptr<TallowinFileOperations> m_fileOperations;
    std::mutex m_mutex;
    bool m_mapsFileWhenReading = false;
};

} // namespace tallowin
