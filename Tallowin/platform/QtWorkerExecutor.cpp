#include "Tallowin/platform/QtWorkerExecutor.h"

#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tallowin {

// Shared with the thread, which may outlive the executor when its own work destroyed it.
struct QtWorkerExecutor::Queue
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !jobs.empty(); });
            // Stopping still drains the queue, so nothing posted before the destructor is lost.
            if (jobs.empty())
                return;
            std::function<void()> work = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            work();
            // Destroyed here, off the lock, since what it captured may post or take locks of its own.
            work = nullptr;
            lock.lock();
        }
    }
};

QtWorkerExecutor::QtWorkerExecutor(const QString &name)
    : m_queue(std::make_shared<Queue>())
    , m_thread(QThread::create([queue = m_queue] { queue->run(); }))
{
    m_thread->setObjectName(name);
    m_thread->start();
}

QtWorkerExecutor::~QtWorkerExecutor()
{
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->stopping = true;
    }
    m_queue->wake.notify_one();
    if (QThread::currentThread() == m_thread.get()) {
        // A thread cannot join itself: it drains the queue and ends, and its object goes once it has.
        QThread *thread = m_thread.release();
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        return;
    }
    m_thread->wait();
}

void QtWorkerExecutor::post(std::function<void()> work)
{
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->jobs.push_back(std::move(work));
    }
    m_queue->wake.notify_one();
}

} // namespace tallowin
