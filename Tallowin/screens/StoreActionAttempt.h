#pragma once

#include <QMetaObject>

#include <optional>
#include <string>

namespace tallowin {

class TaskStore;

// Listens to the store while a sheet calls one of its actions, to tell what the store said about that call
// rather than about something earlier: an error it set (a refusal with its sentence) or a notice.
class StoreActionAttempt
{
public:
    explicit StoreActionAttempt(TaskStore &store);
    ~StoreActionAttempt();
    StoreActionAttempt(const StoreActionAttempt &) = delete;
    StoreActionAttempt &operator=(const StoreActionAttempt &) = delete;

    // The store's error, when it set one during the attempt.
    std::optional<std::string> error() const;
    // The store's notice, when it set one during the attempt.
    std::optional<std::string> notice() const;

private:
    TaskStore &m_store;
    bool m_errorChanged = false;
    bool m_noticeChanged = false;
    QMetaObject::Connection m_errorConnection;
    QMetaObject::Connection m_noticeConnection;
};

} // namespace tallowin
