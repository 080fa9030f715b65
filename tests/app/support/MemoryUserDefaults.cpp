#include "tests/app/support/MemoryUserDefaults.h"

namespace tallowin::test {

void MemoryUserDefaults::setString(const QString &key, const QString &value)
{
    m_values.insert(key, value);
    ++m_writes;
}

void MemoryUserDefaults::setData(const QString &key, const QByteArray &value)
{
    m_values.insert(key, value);
    ++m_writes;
}

std::optional<QString> MemoryUserDefaults::string(const QString &key) const
{
    const auto found = m_values.find(key);
    if (found == m_values.end() || !found->canConvert<QString>())
        return std::nullopt;
    return found->toString();
}

std::optional<QByteArray> MemoryUserDefaults::data(const QString &key) const
{
    const auto found = m_values.find(key);
    if (found == m_values.end() || !found->canConvert<QByteArray>())
        return std::nullopt;
    return found->toByteArray();
}

} // namespace tallowin::test
