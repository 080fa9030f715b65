#include "TallowinCore/TallowinTextFile.h"

#include "TallowinCore/TallowinDocumentJson.h"
#include "TallowinCore/TallowinFileError.h"

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

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::string TallowinTextFile::read(const std::filesystem::path &path)
{
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
    const std::size_t padding = TallowinDocumentJson::paddingBytes();
    std::size_t expected = status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 4096;
    text.reserve(expected + padding);
    // Read until end of file: the size may change under us, and some files report none.
    for (;;) {
        if (text.capacity() - text.size() < padding + 1)
            text.reserve(text.capacity() * 2);
        const std::size_t chunk = text.capacity() - text.size() - padding;
        const std::size_t before = text.size();
        text.resize(before + chunk);
        const ssize_t count = ::read(file.get(), text.data() + before, chunk);
        if (count < 0) {
            if (errno == EINTR) {
                text.resize(before);
                continue;
            }
            throw TallowinFileError::failed("read", path, lastError());
        }
        text.resize(before + static_cast<std::size_t>(count));
        if (count == 0)
            break;
    }
    return text;
}

} // namespace tallowin
