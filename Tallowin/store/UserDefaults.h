#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tallowin {

// The application's small per-user preferences. An interface so that tests keep theirs in memory and never
// touch the user's real preferences.
class UserDefaults
{
public:
    // The path of the last deck file the application used or the user picked.
    static constexpr const char *filePathKey = "TallowinFilePath";
    // What stands in for a bookmark of the last picked file: its path.
    static constexpr const char *fileBookmarkKey = "TallowinFileBookmark";

    virtual ~UserDefaults() = default;
    virtual void setString(const QString &key, const QString &value) = 0;
    virtual void setData(const QString &key, const QByteArray &value) = 0;
    virtual std::optional<QString> string(const QString &key) const = 0;
    virtual std::optional<QByteArray> data(const QString &key) const = 0;
};

} // namespace tallowin
