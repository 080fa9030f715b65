#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace tallowin {

// A file-system failure that carries its path and reads as one plain sentence.
class TALLOWIN_CORE_EXPORT TallowinFileError : public std::filesystem::filesystem_error
{
public:
    // Refused before anything was read or written: a symbolic link, another user's entry, the wrong type.
    static TallowinFileError readNoPermission(const std::filesystem::path &path, const std::string &reason);
    static TallowinFileError writeNoPermission(const std::filesystem::path &path, std::error_code cause);
    static TallowinFileError notFound(const std::filesystem::path &path);
    // Any other failure of an operation ("read", "write", "create", ...) with the system's cause.
    static TallowinFileError failed(
        const std::string &operation, const std::filesystem::path &path, std::error_code cause);

    const char *what() const noexcept override { return m_sentence.c_str(); }

private:
    TallowinFileError(std::string sentence, const std::filesystem::path &path, std::error_code cause);
    std::string m_sentence;
};

} // namespace tallowin
