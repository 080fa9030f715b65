#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tallowin {

// One long-lived thread that takes the second half of the passes over a large deck's cards (copy, decode,
// validation, encoding) while the calling thread does the first. Long-lived, because what a thread allocates
// comes from that thread's heap: a fresh thread per pass starts from an empty one and pays for every small
// allocation of its half, which undoes the gain for a copy of the cards.
class TALLOWIN_CORE_EXPORT HelperThread
{
public:
    // Runs first on this thread and second on the helper at the same time, or both here, first then second,
    // when the helper is busy (another caller's pass, or this call comes from the helper itself). Returns when
    // both are done; if either throws, first's exception is thrown in preference to second's, and second may
    // not have run at all.
    static void runBoth(const std::function<void()> &first, const std::function<void()> &second);

    HelperThread(const HelperThread &) = delete;
    HelperThread &operator=(const HelperThread &) = delete;

private:
    HelperThread();

    static HelperThread &shared();
    // Hands work to the helper unless it is busy.
    bool tryStart(const std::function<void()> &work);
    // Waits for the work handed over and returns what it threw, if anything; the helper is free again.
    std::exception_ptr finish();
    void serve();

    std::mutex m_mutex;
    std::condition_variable m_workArrived;
    std::condition_variable m_workDone;
    const std::function<void()> *m_work = nullptr;
    bool m_busy = false;
    bool m_done = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace tallowin
