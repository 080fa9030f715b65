#include "Tallowin/platform/QSettingsUserDefaults.h"

namespace tallowin {

QSettingsUserDefaults::QSettingsUserDefaults()
    : m_settings(QStringLiteral("Tallowin"), QStringLiteral("Tallowin"))
{ }

void QSettingsUserDefaults::setString(const QString &key, const QString &value)
{
    m_settings.setValue(key, value);
    // Written at once: a picked file should survive a crash that follows the pick.
    m_settings.sync();
}

void QSettingsUserDefaults::setData(const QString &key, const QByteArray &value)
{
    m_settings.setValue(key, value);
    m_settings.sync();
}

std::optional<QString> QSettingsUserDefaults::string(const QString &key) const
{
    const QVariant value = m_settings.value(key);
    if (!value.isValid() || !value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

std::optional<QByteArray> QSettingsUserDefaults::data(const QString &key) const
{
    const QVariant value = m_settings.value(key);
    if (!value.isValid() || !value.canConvert<QByteArray>())
        return std::nullopt;
    return value.toByteArray();
}

} // namespace tallowin
