#pragma once

#include "tests/support/TemporaryFolder.h"

#include <QByteArray>
#include <QFileSystemWatcher>

#include <filesystem>
#include <functional>
#include <optional>

namespace tallowin::test {

// Generous: a loaded machine running sanitizer builds may take seconds, a passing test never waits this long.
constexpr int signalTimeoutMs = 20000;

// Processes this thread's events until condition holds or the timeout passes; true when it holds. For
// conditions that events delivered to this thread change (posted work, signals, timers).
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = signalTimeoutMs);

// Lets every file-system watcher of this thread handle the file-system changes made so far, without
// guessing a time: file-system events are queued in the kernel while the change is made, so once an
// event caused later has arrived, the earlier ones are readable too and one more round of event
// processing delivers them and whatever work their handlers posted.
class FileEventBarrier
{
public:
    FileEventBarrier();
    // False when the probe's own event did not arrive in time.
    bool pass(int timeoutMs = signalTimeoutMs);

private:
    TemporaryFolder m_folder;
    std::filesystem::path m_probe;
    QFileSystemWatcher m_watcher;
    int m_round = 0;
};

// Sets or clears an environment variable for the life of the object, then puts back the earlier value.
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable(const char *name, const std::optional<QByteArray> &value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable &) = delete;
    ScopedEnvironmentVariable &operator=(const ScopedEnvironmentVariable &) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_previous;
};

// A file's inode number, or 0 when it cannot be read.
unsigned long long inodeOf(const std::filesystem::path &path);

} // namespace tallowin::test
