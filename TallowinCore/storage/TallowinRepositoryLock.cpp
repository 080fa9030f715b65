#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"

#include "TallowinCore/io/FileDescriptor.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {

namespace {

// Each lost race (a lock released, removed or replaced under us) costs one attempt; a writer that keeps
// losing reports the lock as busy rather than spinning.
constexpr int maximumAttempts = 8;
// Longer than any process ID; a longer file is not one.
constexpr std::size_t maximumContent = 32;

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::filesystem::path folderOf(const std::filesystem::path &path)
{
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// Whether path still names the file open as descriptor. A lock file is only ever removed by a process that
// holds its flock, so once this holds under our flock, nobody else can take the path away from us.
bool namesOpenFile(const std::filesystem::path &path, int descriptor)
{
    struct stat opened = {};
    struct stat named = {};
    if (::fstat(descriptor, &opened) != 0)
        throw TallowinFileError::failed("inspect", path, lastError());
    if (::lstat(path.c_str(), &named) != 0) {
        if (errno == ENOENT)
            return false;
        throw TallowinFileError::failed("inspect", path, lastError());
    }
    return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

std::string readContent(const std::filesystem::path &path, int descriptor)
{
    std::string content(maximumContent + 1, '\0');
    std::size_t size = 0;
    while (size < content.size()) {
        const ssize_t count = ::read(descriptor, content.data() + size, content.size() - size);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throw TallowinFileError::failed("read", path, lastError());
        }
        if (count == 0)
            break;
        size += static_cast<std::size_t>(count);
    }
    content.resize(size);
    return content;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view whitespace = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(whitespace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(whitespace) - first + 1);
}

// True only when the content names a process that provably no longer exists. Anything else that is not
// a plain positive decimal number, or a process we may not signal, counts as a live writer.
bool namesDeadProcess(std::string_view content)
{
    const std::string_view digits = trimmed(content);
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || pid <= 0)
        return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Whether the file was modified within the grace period of now, on either side: a time slightly ahead comes from a
// clock a little off, one far ahead is as good as no time.
bool isYoung(const struct stat &status, TallowinInstant now)
{
    const auto modified
        = std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    const auto age = now.time_since_epoch() - modified;
    return age < TallowinRepository::emptyLockGracePeriod && age > -TallowinRepository::emptyLockGracePeriod;
}

} // namespace

TallowinRepository::WriterLock::WriterLock(std::filesystem::path lockPath, TallowinInstant now)
    : m_path(std::move(lockPath))
    , m_now(now)
{
    TallowinPrivateStorage::prepareDirectory(folderOf(m_path));
    for (int attempt = 0; attempt < maximumAttempts; ++attempt) {
        const int descriptor = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (descriptor >= 0) {
            if (holdCreated(descriptor))
                return;
            continue;
        }
        if (errno != EEXIST)
            throw TallowinFileError::failed("create", m_path, lastError());
        if (!removeIfStale())
            throw TallowinRepositoryError::writerBusy();
    }
    throw TallowinRepositoryError::writerBusy();
}

TallowinRepository::WriterLock::~WriterLock()
{
    // Unlink before close: while the flock is still ours the path cannot name anybody else's lock file.
    ::unlink(m_path.c_str());
    ::close(m_descriptor);
}

// Between our exclusive create and our flock the new file is empty and unlocked, so another writer may be
// looking at it (see removeIfStale), holding its flock for the moment that takes; the flock waits for that. A writer
// whose clock made the file look old may have removed it meanwhile: checking the path after the flock catches
// that, and we start over.
bool TallowinRepository::WriterLock::holdCreated(int descriptor)
{
    int locked = 0;
    while ((locked = ::flock(descriptor, LOCK_EX)) != 0 && errno == EINTR) { }
    if (locked != 0) {
        const std::error_code error = lastError();
        ::close(descriptor);
        throw TallowinFileError::failed("lock", m_path, error);
    }
    bool ours = false;
    try {
        ours = namesOpenFile(m_path, descriptor);
    } catch (...) {
        ::close(descriptor);
        throw;
    }
    if (!ours) {
        ::close(descriptor);
        return false;
    }

    const std::string pid = std::to_string(::getpid());
    std::size_t written = 0;
    while (written < pid.size()) {
        const ssize_t count = ::write(descriptor, pid.data() + written, pid.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            const std::error_code error = count < 0 ? lastError() : std::make_error_code(std::errc::io_error);
            ::unlink(m_path.c_str());
            ::close(descriptor);
            throw TallowinFileError::failed("write", m_path, error);
        }
        written += static_cast<std::size_t>(count);
    }
    m_descriptor = descriptor;
    return true;
}

// Looks at a lock file that exists. Returns true when the caller should try to create it again (it was
// stale and is gone, or it vanished or was replaced meanwhile), false when a live writer holds it.
// The file is removed only while we hold its flock and the path still names it, so two writers that
// find the same stale file cannot remove each other's fresh one.
bool TallowinRepository::WriterLock::removeIfStale()
{
    const int opened = ::open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) {
        if (errno == ENOENT)
            return true;
        if (errno == ELOOP)
            throw TallowinFileError::readNoPermission(m_path, "it is a symbolic link");
        throw TallowinFileError::failed("read", m_path, lastError());
    }
    const FileDescriptor descriptor(opened);
    struct stat status = {};
    if (::fstat(descriptor.get(), &status) != 0)
        throw TallowinFileError::failed("inspect", m_path, lastError());
    if (status.st_uid != ::getuid())
        throw TallowinFileError::readNoPermission(m_path, "it belongs to another user");
    if (!S_ISREG(status.st_mode))
        throw TallowinFileError::readNoPermission(m_path, "it is not a regular file");

    // A held flock means a live holder, whatever the file says: its ID may have been reused, or belong
    // to another PID namespace.
    if (::flock(descriptor.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        throw TallowinFileError::failed("lock", m_path, lastError());
    }
    // Released (or removed as stale and replaced) since we opened it: try again rather than report busy.
    if (!namesOpenFile(m_path, descriptor.get()))
        return true;

    // Nobody holds the flock. An empty file then comes from a writer that has created it and not yet written its
    // ID (one that takes no flock, such as an agent's script, may pause there), or from one that died in between.
    // While it is young it is the former: busy. Once clearly old it is the latter, and keeping it would lock out
    // every writer for good. A file with an ID is judged by the ID alone, since writers of older versions never
    // took the flock.
    const std::string content = readContent(m_path, descriptor.get());
    if (content.size() > maximumContent || (!content.empty() && !namesDeadProcess(content)))
        return false;
    if (content.empty() && isYoung(status, m_now))
        return false;
    // Writers of older versions take no flock, so look once more right before removing.
    if (!namesOpenFile(m_path, descriptor.get()))
        return true;
    if (::unlink(m_path.c_str()) != 0 && errno != ENOENT)
        throw TallowinFileError::failed("remove", m_path, lastError());
    return true;
}

} // namespace tallowin
