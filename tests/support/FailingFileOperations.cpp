#include "tests/support/FailingFileOperations.h"

#include <algorithm>

namespace tallowin::test {

void FailingFileOperations::failCall(Step step, int nth, std::errc error)
{
    const std::lock_guard guard(m_mutex);
    m_failures[{step, nth}] = error;
}

std::vector<FailingFileOperations::Step> FailingFileOperations::steps() const
{
    const std::lock_guard guard(m_mutex);
    return m_steps;
}

int FailingFileOperations::calls(Step step) const
{
    const std::lock_guard guard(m_mutex);
    return static_cast<int>(std::count(m_steps.begin(), m_steps.end(), step));
}

std::error_code FailingFileOperations::next(Step step)
{
    const std::lock_guard guard(m_mutex);
    m_steps.push_back(step);
    const int nth = static_cast<int>(std::count(m_steps.begin(), m_steps.end(), step));
    const auto failure = m_failures.find({step, nth});
    return failure == m_failures.end() ? std::error_code() : std::make_error_code(failure->second);
}

int FailingFileOperations::createExclusive(const std::filesystem::path &path, std::error_code &error)
{
    if ((error = next(Step::createExclusive)))
        return -1;
    return TallowinFileOperations::createExclusive(path, error);
}

std::error_code FailingFileOperations::writeAll(int descriptor, std::span<const std::string_view> pieces)
{
    if (const std::error_code error = next(Step::writeAll)) {
        // A device that fills up takes part of the data first.
        const std::vector<std::string_view> half = firstBytesOf(pieces, totalSize(pieces) / 2);
        TallowinFileOperations::writeAll(descriptor, half);
        return error;
    }
    return TallowinFileOperations::writeAll(descriptor, pieces);
}

std::size_t totalSize(std::span<const std::string_view> pieces)
{
    std::size_t size = 0;
    for (const std::string_view piece : pieces)
        size += piece.size();
    return size;
}

std::vector<std::string_view> firstBytesOf(std::span<const std::string_view> pieces, std::size_t bytes)
{
    std::vector<std::string_view> first;
    for (const std::string_view piece : pieces) {
        if (bytes == 0)
            break;
        first.push_back(piece.substr(0, bytes));
        bytes -= first.back().size();
    }
    return first;
}

std::error_code FailingFileOperations::syncFile(int descriptor)
{
    if (const std::error_code error = next(Step::syncFile))
        return error;
    return TallowinFileOperations::syncFile(descriptor);
}

std::error_code FailingFileOperations::close(int descriptor)
{
    const std::error_code error = next(Step::close);
    const std::error_code closed = TallowinFileOperations::close(descriptor);
    return error ? error : closed;
}

std::error_code FailingFileOperations::rename(const std::filesystem::path &from, const std::filesystem::path &to)
{
    if (const std::error_code error = next(Step::rename))
        return error;
    return TallowinFileOperations::rename(from, to);
}

std::error_code FailingFileOperations::syncDirectory(const std::filesystem::path &directory)
{
    if (const std::error_code error = next(Step::syncDirectory))
        return error;
    return TallowinFileOperations::syncDirectory(directory);
}

std::error_code FailingFileOperations::remove(const std::filesystem::path &path)
{
    if (const std::error_code error = next(Step::remove))
        return error;
    return TallowinFileOperations::remove(path);
}

std::string_view stepName(FailingFileOperations::Step step)
{
    switch (step) {
    case FailingFileOperations::Step::createExclusive:
        return "createExclusive";
    case FailingFileOperations::Step::writeAll:
        return "writeAll";
    case FailingFileOperations::Step::syncFile:
        return "syncFile";
    case FailingFileOperations::Step::close:
        return "close";
    case FailingFileOperations::Step::rename:
        return "rename";
    case FailingFileOperations::Step::syncDirectory:
        return "syncDirectory";
    case FailingFileOperations::Step::remove:
        return "remove";
    }
    return "unknown";
}

} // namespace tallowin::test
