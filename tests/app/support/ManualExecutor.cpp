#include "tests/app/support/ManualExecutor.h"

namespace tallowin::test {

void ManualExecutor::post(std::function<void()> work)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(work));
}

std::size_t ManualExecutor::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

bool ManualExecutor::runNext()
{
    std::function<void()> work;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.empty())
            return false;
        work = std::move(m_queue.front());
        m_queue.pop_front();
    }
    work();
    return true;
}

std::size_t ManualExecutor::runAll()
{
    std::size_t count = 0;
    while (runNext())
        ++count;
    return count;
}

} // namespace tallowin::test
