#include "TallowinCore/io/TallowinMappedFile.h"

#include "TallowinCore/io/FileDescriptor.h"
#include "TallowinCore/io/TallowinFileError.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tallowin {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// The mappings in place, for the signal handler: plain atomics, no locks, no allocation. A slot is taken by
// setting its start and given back by clearing its end first.
struct MappedRange
{
    std::atomic<std::uintptr_t> start {0};
    std::atomic<std::uintptr_t> end {0};
};

std::array<MappedRange, 64> mappedRanges;

bool enter(const char *start, std::size_t length) noexcept
{
    const auto first = reinterpret_cast<std::uintptr_t>(start);
    for (MappedRange &range : mappedRanges) {
        std::uintptr_t free = 0;
        if (range.start.compare_exchange_strong(free, first)) {
            range.end.store(first + length);
            return true;
        }
    }
    return false;
}

void leave(const char *start) noexcept
{
    const auto first = reinterpret_cast<std::uintptr_t>(start);
    for (MappedRange &range : mappedRanges) {
        if (range.start.load() == first) {
            range.end.store(0);
            range.start.store(0);
            return;
        }
    }
}

constexpr char truncatedMessage[] = "The deck file was cut short by another program while Tallowin was reading it. "
                                    "Nothing was written; run the command again.\n";

void onBusError(int signal, siginfo_t *info, void *)
{
    if (TallowinMappedFile::contains(info->si_addr)) {
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, truncatedMessage, sizeof truncatedMessage - 1);
        ::_exit(1);
    }
    // Not one of ours: the default action, raised again on return (a fault repeats, a sent signal is pending).
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

} // namespace

TallowinMappedFile::TallowinMappedFile(char *start, std::size_t size, std::size_t length) noexcept
    : m_start(start)
    , m_size(size)
    , m_length(length)
{ }

TallowinMappedFile TallowinMappedFile::map(const std::filesystem::path &path, std::size_t padding)
{
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT)
            throw TallowinFileError::notFound(path);
        throw TallowinFileError::failed("read", path, lastError());
    }
    struct stat status = {};
    if (::fstat(file.get(), &status) != 0)
        throw TallowinFileError::failed("read", path, lastError());
    if (S_ISDIR(status.st_mode))
        throw TallowinFileError::failed("read", path, std::make_error_code(std::errc::is_a_directory));
    if (!S_ISREG(status.st_mode))
        throw TallowinFileError::failed("read", path, std::make_error_code(std::errc::not_supported));

    const auto size = static_cast<std::size_t>(status.st_size);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t length = (size + padding + page) / page * page;
    // Anonymous pages first, the file over their start: past the file's last page the padding reads as zeros
    // instead of faulting.
    void *region = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED)
        throw TallowinFileError::failed("read", path, lastError());
    if (size > 0 && ::mmap(region, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, file.get(), 0) == MAP_FAILED) {
        const std::error_code cause = lastError();
        ::munmap(region, length);
        throw TallowinFileError::failed("read", path, cause);
    }
    char *start = static_cast<char *>(region);
    if (!enter(start, length)) {
        ::munmap(region, length);
        throw TallowinFileError::failed("read", path, std::make_error_code(std::errc::too_many_files_open));
    }
    return {start, size, length};
}

TallowinMappedFile::TallowinMappedFile(TallowinMappedFile &&other) noexcept
    : m_start(std::exchange(other.m_start, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_length(std::exchange(other.m_length, 0))
{ }

TallowinMappedFile &TallowinMappedFile::operator=(TallowinMappedFile &&other) noexcept
{
    if (this != &other) {
        unmap();
        m_start = std::exchange(other.m_start, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

TallowinMappedFile::~TallowinMappedFile()
{
    unmap();
}

void TallowinMappedFile::unmap() noexcept
{
    if (m_start == nullptr)
        return;
    leave(m_start);
    ::munmap(m_start, m_length);
    m_start = nullptr;
    m_size = 0;
    m_length = 0;
}

bool TallowinMappedFile::contains(const void *address) noexcept
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    for (const MappedRange &range : mappedRanges) {
        const std::uintptr_t start = range.start.load();
        if (start != 0 && at >= start && at < range.end.load())
            return true;
    }
    return false;
}

void TallowinMappedFile::exitCleanlyOnTruncation()
{
    struct sigaction action = {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
}

} // namespace tallowin
