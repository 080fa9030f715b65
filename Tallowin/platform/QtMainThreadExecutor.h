#pragma once

#include "TallowinCore/base/TallowinSerialExecutor.h"

#include <atomic>
#include <memory>

class QObject;

namespace tallowin {

// Runs posted work on the main thread through its event loop, in the order posted. post() may be called
// from any thread and always returns before the work runs. Work still queued when the executor is
// destroyed is dropped, whichever thread destroys it. Create it once the application object exists.
class QtMainThreadExecutor final : public TallowinSerialExecutor
{
public:
    QtMainThreadExecutor();
    ~QtMainThreadExecutor() override;
    QtMainThreadExecutor(const QtMainThreadExecutor &) = delete;
    QtMainThreadExecutor &operator=(const QtMainThreadExecutor &) = delete;

    void post(std::function<void()> work) override;

private:
    // Shared with every queued job, which checks it before running.
    std::shared_ptr<std::atomic<bool>> m_open;
    // Lives on the main thread; posted jobs are delivered to it.
    QObject *m_context;
};

} // namespace tallowin
