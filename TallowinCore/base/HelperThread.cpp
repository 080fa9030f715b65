#include "TallowinCore/base/HelperThread.h"

#include <atomic>
#include <pthread.h>
#include <utility>

namespace tallowin {

namespace {

// A child forked without exec has none of the parent's other threads, the helper included: it does all its work
// itself.
std::atomic<bool> inForkedChild = false;

} // namespace

HelperThread::HelperThread()
    : m_thread([this] { serve(); })
{
    // It waits for work for as long as the process lives and never holds anything at exit.
    m_thread.detach();
}

HelperThread &HelperThread::shared()
{
    // Never destroyed: a pass may still be wanted while other static objects are torn down at exit.
    static HelperThread *const helper = [] {
        ::pthread_atfork(nullptr, nullptr, [] { inForkedChild = true; });
        return new HelperThread;
    }();
    return *helper;
}

void HelperThread::runBoth(const std::function<void()> &first, const std::function<void()> &second)
{
    HelperThread &helper = shared();
    if (inForkedChild || !helper.tryStart(second)) {
        first();
        second();
        return;
    }
    std::exception_ptr firstError;
    try {
        first();
    } catch (...) {
        firstError = std::current_exception();
    }
    const std::exception_ptr secondError = helper.finish();
    if (firstError)
        std::rethrow_exception(firstError);
    if (secondError)
        std::rethrow_exception(secondError);
}

bool HelperThread::tryStart(const std::function<void()> &work)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_busy)
            return false;
        m_busy = true;
        m_done = false;
        m_error = nullptr;
        m_work = &work;
    }
    m_workArrived.notify_one();
    return true;
}

std::exception_ptr HelperThread::finish()
{
    std::unique_lock lock(m_mutex);
    m_workDone.wait(lock, [this] { return m_done; });
    m_busy = false;
    m_work = nullptr;
    return std::exchange(m_error, nullptr);
}

void HelperThread::serve()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workArrived.wait(lock, [this] { return m_work != nullptr && !m_done; });
        const std::function<void()> &work = *m_work;
        lock.unlock();
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_error = error;
        m_done = true;
        m_workDone.notify_one();
    }
}

} // namespace tallowin
