#include "Tallowin/platform/FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

#include <memory>

namespace tallowin {

FreedesktopNotifier::FreedesktopNotifier(QString applicationID, QDBusConnection connection)
    : m_applicationID(std::move(applicationID))
    , m_connection(std::move(connection))
{ }

void FreedesktopNotifier::show(const DesktopNotification &notification)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
        QString::fromLatin1(service), QStringLiteral("Notify"));
    // The desktop entry lets the server show Tallowin's name and icon and open it when the notification is clicked.
    const QVariantMap hints {{QStringLiteral("desktop-entry"), m_applicationID}};
    call << QStringLiteral("Tallowin") << *m_shown << m_applicationID << QString::fromStdString(notification.summary)
         << QString::fromStdString(notification.body) << QStringList() << hints << -1;
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call));
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, watcher, [shown = m_shown](QDBusPendingCallWatcher *done) {
            const QDBusPendingReply<uint> reply = *done;
            if (reply.isValid())
                *shown = reply.value();
            done->deleteLater();
        });
}

bool FreedesktopNotifier::isApplicationActive() const
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace tallowin
