#pragma once

#include "Tallowin/platform/DesktopNotification.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

namespace tallowin {

// Notifications through the desktop's notification server (the freedesktop org.freedesktop.Notifications
// interface on the session bus). Each replaces the one shown before, so a burst of syncs leaves one on screen.
// The call does not wait for an answer: without a notification server, nothing is shown and nothing waits.
// Lives on the main thread.
class FreedesktopNotifier : public DesktopNotifier
{
public:
    static constexpr const char *service = "org.freedesktop.Notifications";
    static constexpr const char *path = "/org/freedesktop/Notifications";

    // applicationID names the desktop entry and the icon.
    FreedesktopNotifier(QString applicationID, QDBusConnection connection = QDBusConnection::sessionBus());

    void show(const DesktopNotification &notification) override;
    // Whether one of Tallowin's windows has the focus.
    bool isApplicationActive() const override;

private:
    QString m_applicationID;
    QDBusConnection m_connection;
    // The server's number for the notification on screen, replaced by the next one; 0 before the first.
    std::shared_ptr<uint> m_shown = std::make_shared<uint>(0);
};

} // namespace tallowin
