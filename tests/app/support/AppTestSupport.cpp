#include "tests/app/support/AppTestSupport.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

#include <fstream>
#include <string>
#include <sys/stat.h>

namespace tallowin::test {

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Checked whenever the thread has handled what was ready and is about to sleep, so a condition that
    // became true never waits for an unrelated event.
    QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&loop, &condition] {
            if (condition())
                loop.quit();
        });
    deadline.start(timeoutMs);
    loop.exec();
    return condition();
}

FileEventBarrier::FileEventBarrier()
    : m_probe(m_folder.path("probe"))
{
    m_folder.write("probe", "0");
    m_watcher.addPath(QFile::decodeName(QByteArray::fromStdString(m_probe.native())));
}

bool FileEventBarrier::pass(int timeoutMs)
{
    QSignalSpy probed(&m_watcher, &QFileSystemWatcher::fileChanged);
    {
        std::ofstream out(m_probe, std::ios::binary | std::ios::trunc);
        out << ++m_round;
    }
    if (!probed.wait(timeoutMs))
        return false;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    return true;
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const char *name, const std::optional<QByteArray> &value)
    : m_name(name)
{
    if (qEnvironmentVariableIsSet(name))
        m_previous = qgetenv(name);
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    if (m_previous)
        qputenv(m_name.constData(), *m_previous);
    else
        qunsetenv(m_name.constData());
}

unsigned long long inodeOf(const std::filesystem::path &path)
{
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<unsigned long long>(status.st_ino) : 0;
}

} // namespace tallowin::test
