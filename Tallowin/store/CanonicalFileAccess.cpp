#include "Tallowin/store/CanonicalFileAccess.h"

#include <QFile>

namespace tallowin {

namespace {

std::filesystem::path standardized(const std::filesystem::path &path)
{
    return std::filesystem::absolute(path).lexically_normal();
}

} // namespace

CanonicalFileAccess::CanonicalFileAccess(UserDefaults &defaults)
    : m_defaults(defaults)
{ }

void CanonicalFileAccess::rememberPickedFile(const std::filesystem::path &picked)
{
    // Absolute first: a relative path in the defaults would mean another file once the working folder changes.
    const std::filesystem::path location = std::filesystem::absolute(picked);
    m_securityScopedPath.reset();
    const QByteArray bytes = QByteArray::fromStdString(location.native());
    m_defaults.setData(QString::fromUtf8(UserDefaults::fileBookmarkKey), bytes);
    m_defaults.setString(QString::fromUtf8(UserDefaults::filePathKey), QFile::decodeName(bytes));
    m_securityScopedPath = location;
}

std::optional<std::filesystem::path> CanonicalFileAccess::chooseImportFile(StorePanels &panels)
{
    std::optional<std::filesystem::path> picked = panels.chooseImportFile();
    if (!picked || picked->empty())
        return std::nullopt;
    rememberPickedFile(*picked);
    return picked;
}

std::vector<std::filesystem::path> CanonicalFileAccess::importSources(
    const std::filesystem::path &chosen, const std::filesystem::path &canonical)
{
    if (standardized(chosen) == standardized(canonical))
        return {};
    return {chosen};
}

} // namespace tallowin
