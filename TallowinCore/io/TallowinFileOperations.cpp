#include "TallowinCore/io/TallowinFileOperations.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tallowin {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::error_code sync(int descriptor)
{
    while (::fsync(descriptor) != 0) {
        if (errno != EINTR)
            return lastError();
    }
    return {};
}

} // namespace

TallowinFileOperations::~TallowinFileOperations() = default;

int TallowinFileOperations::createExclusive(const std::filesystem::path &path, std::error_code &error)
{
    // O_NOFOLLOW: a link planted at the temporary name must not redirect the write.
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    error = descriptor < 0 ? lastError() : std::error_code();
    return descriptor;
}

std::error_code TallowinFileOperations::writeAll(int descriptor, std::span<const std::string_view> pieces)
{
    for (const std::string_view piece : pieces) {
        const char *data = piece.data();
        std::size_t size = piece.size();
        while (size > 0) {
            const ssize_t written = ::write(descriptor, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            if (written == 0)
                return std::make_error_code(std::errc::io_error);
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }
    return {};
}

std::error_code TallowinFileOperations::syncFile(int descriptor)
{
    return sync(descriptor);
}

std::error_code TallowinFileOperations::close(int descriptor)
{
    // On Linux the descriptor is gone even when close reports EINTR; retrying could close another file.
    if (::close(descriptor) != 0 && errno != EINTR)
        return lastError();
    return {};
}

std::error_code TallowinFileOperations::rename(const std::filesystem::path &from, const std::filesystem::path &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    return {};
}

std::error_code TallowinFileOperations::syncDirectory(const std::filesystem::path &directory)
{
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return lastError();
    // Not syncFile: an override counts or fails the steps it is given, and this is a separate one.
    std::error_code error = sync(descriptor);
    if (::close(descriptor) != 0 && !error && errno != EINTR)
        error = lastError();
    return error;
}

std::error_code TallowinFileOperations::remove(const std::filesystem::path &path)
{
    if (::unlink(path.c_str()) != 0)
        return lastError();
    return {};
}

} // namespace tallowin
