#pragma once

#include <unistd.h>
#include <utility>

namespace tallowin {

// Owns an open file descriptor and closes it; a negative one, a failed open, is held as nothing.
class FileDescriptor
{
public:
    explicit FileDescriptor(int descriptor)
        : m_descriptor(descriptor)
    { }
    ~FileDescriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor(FileDescriptor &&other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1))
    { }
    FileDescriptor &operator=(FileDescriptor &&) = delete;

    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace tallowin
