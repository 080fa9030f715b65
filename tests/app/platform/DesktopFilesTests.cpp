// Revealing the deck in the file manager: the freedesktop FileManager1 call on a session bus the test starts itself,
// and opening the folder when no file manager answers there.
#include "Tallowin/platform/DesktopFiles.h"
#include "tests/support/TemporaryFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <mutex>

using namespace tallowin;

namespace {

// Stands in for a file manager; lives on a thread of its own so that the blocking call from the main thread is
// answered.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown() const
    {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        Q_UNUSED(startupId);
        std::lock_guard lock(m_mutex);
        m_shown << uris;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_shown;
};

// A private session bus for one test, stopped at its end.
class SessionBus
{
public:
    SessionBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!m_daemon.waitForStarted(10000) || !m_daemon.waitForReadyRead(10000))
            return;
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~SessionBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(10000))
            m_daemon.kill();
    }

    QString address;

private:
    QProcess m_daemon;
};

} // namespace

class DesktopFilesTests : public QObject
{
    Q_OBJECT

private slots:
    void theFileManagerIsAskedToShowTheFile()
    {
        SessionBus bus;
        QVERIFY2(!bus.address.isEmpty(), "dbus-daemon did not start");
        QDBusConnection server = QDBusConnection::connectToBus(bus.address, QStringLiteral("file-manager"));
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, QStringLiteral("tallowin"));
        QVERIFY(server.isConnected());
        QVERIFY(client.isConnected());

        QThread thread;
        FakeFileManager manager;
        manager.moveToThread(&thread);
        thread.start();
        QVERIFY(server.registerObject(
            QStringLiteral("/org/freedesktop/FileManager1"), &manager, QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        std::vector<std::filesystem::path> openedFolders;
        const auto openFolder = [&](const std::filesystem::path &folder) {
            openedFolders.push_back(folder);
            return true;
        };
        const std::filesystem::path deck = "/home/ana/.local/share/Tallowin/Tallowin Deck #1.md";
        QVERIFY(DesktopFiles::revealOverDBus(deck, client, openFolder));
        QCOMPARE(manager.shown(), QStringList {"file:///home/ana/.local/share/Tallowin/Tallowin%20Deck%20%231.md"});
        QVERIFY(openedFolders.empty());

        // Without a file manager on the bus the folder opens instead.
        server.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        QVERIFY(DesktopFiles::revealOverDBus(deck, client, openFolder));
        QCOMPARE(openedFolders, std::vector<std::filesystem::path> {deck.parent_path()});

        thread.quit();
        thread.wait();
        QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
        QDBusConnection::disconnectFromBus(QStringLiteral("tallowin"));
    }

    void noBusAtAllOpensTheFolder()
    {
        std::vector<std::filesystem::path> openedFolders;
        const QDBusConnection none
            = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
        QVERIFY(!none.isConnected());
        QVERIFY(!DesktopFiles::revealOverDBus("/tmp/x/Tallowin.md", none, [&](const std::filesystem::path &folder) {
            openedFolders.push_back(folder);
            return false;
        }));
        QCOMPARE(openedFolders, std::vector<std::filesystem::path> {"/tmp/x"});
    }
};

QTEST_GUILESS_MAIN(DesktopFilesTests)
#include "DesktopFilesTests.moc"
