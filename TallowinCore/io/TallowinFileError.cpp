#include "TallowinCore/io/TallowinFileError.h"

namespace tallowin {

TallowinFileError::TallowinFileError(std::string sentence, const std::filesystem::path &path, std::error_code cause)
    : std::filesystem::filesystem_error(sentence, path, cause)
    , m_sentence(std::move(sentence))
{ }

TallowinFileError TallowinFileError::readNoPermission(const std::filesystem::path &path, const std::string &reason)
{
    return {"Tallowin cannot use " + path.string() + ": " + reason + ".", path,
        std::make_error_code(std::errc::permission_denied)};
}

TallowinFileError TallowinFileError::writeNoPermission(const std::filesystem::path &path, std::error_code cause)
{
    return {"Tallowin cannot protect " + path.string() + ": " + cause.message() + ".", path, cause};
}

TallowinFileError TallowinFileError::notFound(const std::filesystem::path &path)
{
    return {"The file " + path.string() + " does not exist.", path,
        std::make_error_code(std::errc::no_such_file_or_directory)};
}

TallowinFileError TallowinFileError::failed(
    const std::string &operation, const std::filesystem::path &path, std::error_code cause)
{
    return {"Tallowin could not " + operation + " " + path.string() + ": " + cause.message() + ".", path, cause};
}

} // namespace tallowin
