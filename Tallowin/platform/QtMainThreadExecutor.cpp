#include "Tallowin/platform/QtMainThreadExecutor.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

namespace tallowin {

QtMainThreadExecutor::QtMainThreadExecutor()
    : m_open(std::make_shared<std::atomic<bool>>(true))
    , m_context(new QObject)
{
    if (QCoreApplication *application = QCoreApplication::instance())
        m_context->moveToThread(application->thread());
}

QtMainThreadExecutor::~QtMainThreadExecutor()
{
    m_open->store(false);
    // The last owner may let go on a worker thread; a QObject may only be deleted on its own thread.
    if (QThread::currentThread() == m_context->thread())
        delete m_context;
    else
        m_context->deleteLater();
}

void QtMainThreadExecutor::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(
        m_context,
        [open = m_open, work = std::move(work)] {
            if (open->load())
                work();
        },
        Qt::QueuedConnection);
}

} // namespace tallowin
