#pragma once

#include "Tallowin/store/UserDefaults.h"

#include <QHash>
#include <QVariant>

namespace tallowin::test {

// User defaults kept in memory, so that tests never read or change the user's real preferences.
// Values convert between strings and data the way QSettings converts them.
class MemoryUserDefaults final : public UserDefaults
{
public:
    void setString(const QString &key, const QString &value) override;
    void setData(const QString &key, const QByteArray &value) override;
    std::optional<QString> string(const QString &key) const override;
    std::optional<QByteArray> data(const QString &key) const override;

    bool contains(const QString &key) const { return m_values.contains(key); }
    qsizetype count() const { return m_values.size(); }
    // How many values were set so far, including ones that overwrote an equal value.
    int writes() const { return m_writes; }

private:
    QHash<QString, QVariant> m_values;
    int m_writes = 0;
};

} // namespace tallowin::test
