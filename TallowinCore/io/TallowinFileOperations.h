#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>

namespace tallowin {

// The system calls of an atomic file replacement, one per step, so tests can make any step fail.
// Each returns an error code instead of throwing; the default forwards to POSIX.
class TALLOWIN_CORE_EXPORT TallowinFileOperations
{
public:
    virtual ~TallowinFileOperations();

    // Creates a new file with mode 0600 that did not exist before; returns its descriptor or -1.
    virtual int createExclusive(const std::filesystem::path &path, std::error_code &error);
    // Writes the pieces one after another, all of each.
    virtual std::error_code writeAll(int descriptor, std::span<const std::string_view> pieces);
    virtual std::error_code syncFile(int descriptor);
    virtual std::error_code close(int descriptor);
    virtual std::error_code rename(const std::filesystem::path &from, const std::filesystem::path &to);
    virtual std::error_code syncDirectory(const std::filesystem::path &directory);
    virtual std::error_code remove(const std::filesystem::path &path);
};

} // namespace tallowin
