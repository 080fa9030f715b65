// Notifications reach the desktop's notification server: a stand-in on the test's own session bus records them.
#include "Tallowin/platform/FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

using namespace tallowin;

namespace {

constexpr const char *applicationID = "app.tallowin.tallowin";

// Stands in for the notification server, on a connection of its own, answering on the test's thread.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        QString application;
        uint replaces = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };
    QList<Shown> shown;

public slots:
    uint Notify(const QString &application, uint replaces, const QString &icon, const QString &summary,
        const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        shown.append({application, replaces, icon, summary, body, actions, hints, timeout});
        return replaces != 0 ? replaces : 40 + uint(shown.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

} // namespace

class FreedesktopNotifierTests : public QObject
{
    Q_OBJECT

private slots:
    void eachNotificationReachesTheServerAndReplacesTheOneBefore()
    {
        QVERIFY2(qEnvironmentVariable("TALLOWIN_TEST_PRIVATE_BUS") == QStringLiteral("1"),
            "run through ctest, on a session bus of the test's own");
        QDBusConnection serverBus
            = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("notification-server"));
        QVERIFY(serverBus.isConnected());
        NotificationServer server;
        QVERIFY(serverBus.registerObject(
            QString::fromLatin1(FreedesktopNotifier::path), &server, QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(QString::fromLatin1(FreedesktopNotifier::service)));

        FreedesktopNotifier notifier(QString::fromLatin1(applicationID));
        notifier.show({"Tasks updated from another device", "1 card added."});
        QTRY_COMPARE(server.shown.size(), 1);
        const NotificationServer::Shown first = server.shown.front();
        QCOMPARE(first.application, QStringLiteral("Tallowin"));
        QCOMPARE(first.replaces, 0u);
        QCOMPARE(first.icon, QString::fromLatin1(applicationID));
        QCOMPARE(first.summary, QStringLiteral("Tasks updated from another device"));
        QCOMPARE(first.body, QStringLiteral("1 card added."));
        QVERIFY(first.actions.isEmpty());
        QCOMPARE(first.hints.value(QStringLiteral("desktop-entry")).toString(), QString::fromLatin1(applicationID));
        QCOMPARE(first.timeout, -1);

        // The answer to the first call names it; the next one takes its place on screen.
        notifier.show({"New suggestions in your inbox", "2 suggested tasks are waiting for review."});
        QTRY_COMPARE(server.shown.size(), 2);
        QCOMPARE(server.shown.back().replaces, 41u);
        QCOMPARE(server.shown.back().summary, QStringLiteral("New suggestions in your inbox"));

        serverBus.unregisterService(QString::fromLatin1(FreedesktopNotifier::service));
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
    }
};

QTEST_MAIN(FreedesktopNotifierTests)
#include "FreedesktopNotifierTests.moc"
