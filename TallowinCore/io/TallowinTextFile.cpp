#include "TallowinCore/io/TallowinTextFile.h"

#include "TallowinCore/io/FileDescriptor.h"
#include "TallowinCore/io/TallowinFileError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowin {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

} // namespace

std::string TallowinTextFile::read(const std::filesystem::path &path, std::size_t padding)
{
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT)
            throw TallowinFileError::notFound(path);
        throw TallowinFileError::failed("read", path, lastError());
    }
    struct stat status
    { };
    if (::fstat(file.get(), &status) != 0)
        throw TallowinFileError::failed("read", path, lastError());
    if (S_ISDIR(status.st_mode))
        throw TallowinFileError::failed("read", path, std::make_error_code(std::errc::is_a_directory));

    std::string text;
    const std::size_t expected = status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
    // Room for the whole file plus the spare bytes from the start, so a file of the size fstat reported is
    // read without growing the string.
    text.reserve(expected + padding + 1);
    text.resize(expected);
    std::size_t filled = 0;
    // Read until end of file: the size may change under us, and some files report none.
    for (;;) {
        if (filled == text.size()) {
            char probe[4096];
            const ssize_t count = ::read(file.get(), probe, sizeof probe);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                throw TallowinFileError::failed("read", path, lastError());
            if (count == 0)
                break;
            if (text.capacity() < text.size() + std::size_t(count) + padding)
                text.reserve(2 * (text.size() + std::size_t(count)) + padding);
            text.append(probe, std::size_t(count));
            filled = text.size();
            continue;
        }
        const ssize_t count = ::read(file.get(), text.data() + filled, text.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw TallowinFileError::failed("read", path, lastError());
        if (count == 0) {
            text.resize(filled);
            break;
        }
        filled += std::size_t(count);
    }
    if (text.capacity() - text.size() < padding)
        text.reserve(text.size() + padding);
    return text;
}

} // namespace tallowin
