#include "Tallowin/screens/StoreActionAttempt.h"

#include "Tallowin/store/TaskStore.h"

namespace tallowin {

StoreActionAttempt::StoreActionAttempt(TaskStore &store)
    : m_store(store)
{
    m_errorConnection = QObject::connect(&store, &TaskStore::errorMessageChanged, [this] { m_errorChanged = true; });
    m_noticeConnection = QObject::connect(&store, &TaskStore::noticeChanged, [this] { m_noticeChanged = true; });
}

StoreActionAttempt::~StoreActionAttempt()
{
    QObject::disconnect(m_errorConnection);
    QObject::disconnect(m_noticeConnection);
}

std::optional<std::string> StoreActionAttempt::error() const
{
    return m_errorChanged ? m_store.errorMessage() : std::nullopt;
}

std::optional<std::string> StoreActionAttempt::notice() const
{
    return m_noticeChanged ? m_store.notice() : std::nullopt;
}

} // namespace tallowin
