#pragma once

#include "TallowinCore/io/TallowinFileOperations.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace tallowin::test {

// The real file operations, except that chosen calls fail the way a full or failing device does: a failing
// write leaves part of the data behind, a failing close still closes, the other steps do nothing. Records
// every step in call order. Safe to share between threads.
class FailingFileOperations : public TallowinFileOperations
{
public:
    enum class Step { createExclusive, writeAll, syncFile, close, rename, syncDirectory, remove };

    // The nth call (counting from 1) of step fails with error.
    void failCall(Step step, int nth, std::errc error);
    std::vector<Step> steps() const;
    int calls(Step step) const;

    int createExclusive(const std::filesystem::path &path, std::error_code &error) override;
    std::error_code writeAll(int descriptor, std::span<const std::string_view> pieces) override;
    std::error_code syncFile(int descriptor) override;
    std::error_code close(int descriptor) override;
    std::error_code rename(const std::filesystem::path &from, const std::filesystem::path &to) override;
    std::error_code syncDirectory(const std::filesystem::path &directory) override;
    std::error_code remove(const std::filesystem::path &path) override;

private:
    // Counts the call; the error it must fail with, or none.
    std::error_code next(Step step);

    mutable std::mutex m_mutex;
    std::vector<Step> m_steps;
    std::map<std::pair<Step, int>, std::errc> m_failures;
};

std::string_view stepName(FailingFileOperations::Step step);
std::size_t totalSize(std::span<const std::string_view> pieces);
// The first `bytes` bytes of pieces written one after another.
std::vector<std::string_view> firstBytesOf(std::span<const std::string_view> pieces, std::size_t bytes);

} // namespace tallowin::test
