#pragma once

#include "Tallowin/store/UserDefaults.h"

#include <QSettings>

namespace tallowin {

// The user's preferences in QSettings under organisation and application "Tallowin"
// (~/.config/Tallowin/Tallowin.conf on Linux).
class QSettingsUserDefaults final : public UserDefaults
{
public:
    QSettingsUserDefaults();

    void setString(const QString &key, const QString &value) override;
    void setData(const QString &key, const QByteArray &value) override;
    std::optional<QString> string(const QString &key) const override;
    std::optional<QByteArray> data(const QString &key) const override;

private:
    QSettings m_settings;
};

} // namespace tallowin
