#pragma once

#include "TallowinCore/base/TallowinSerialExecutor.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace tallowin::test {

// An executor that only queues: the test decides when posted work runs, on its own thread.
class ManualExecutor : public TallowinSerialExecutor
{
public:
    void post(std::function<void()> work) override;
    std::size_t pending() const;
    // Runs the oldest posted work; false when nothing was queued.
    bool runNext();
    // Runs work until the queue is empty, including work posted meanwhile.
    std::size_t runAll();

private:
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_queue;
};

} // namespace tallowin::test
