#pragma once

#include "TallowinCore/storage/TallowinRepository.h"

#include <filesystem>

namespace tallowin {

// The cross-process writer lock: a lock file named after the deck that holds the holder's process ID.
// Taken on construction (or TallowinRepositoryError::writerBusy / TallowinFileError is thrown at once,
// without waiting); released on destruction by deleting the file, on every path. The holder also keeps an
// flock on the file so that stale-lock removal can tell a live holder from a dead one, whatever the ID says.
// One object per holder; not shared between threads. now is the time an empty lock file's age is measured against.
class TallowinRepository::WriterLock
{
public:
    WriterLock(std::filesystem::path lockPath, TallowinInstant now);
    ~WriterLock();
    WriterLock(const WriterLock &) = delete;
    WriterLock &operator=(const WriterLock &) = delete;

    const std::filesystem::path &path() const { return m_path; }

private:
    bool holdCreated(int descriptor);
    bool removeIfStale();

    std::filesystem::path m_path;
    TallowinInstant m_now;
    int m_descriptor = -1;
};

} // namespace tallowin
