#pragma once

#include "TallowinCore/base/TallowinSerialExecutor.h"

#include <QString>

#include <memory>

class QThread;

namespace tallowin {

// Runs posted work one job at a time, in the order posted, on a thread of its own. The destructor runs
// the work queued so far (and whatever that work posts) and then joins the thread; when the last owner
// is work on that very thread, the thread finishes the queue on its own instead. Work must not throw.
class QtWorkerExecutor final : public TallowinSerialExecutor
{
public:
    explicit QtWorkerExecutor(const QString &name = QStringLiteral("Tallowin.Worker"));
    ~QtWorkerExecutor() override;
    QtWorkerExecutor(const QtWorkerExecutor &) = delete;
    QtWorkerExecutor &operator=(const QtWorkerExecutor &) = delete;

    void post(std::function<void()> work) override;
    // The thread the work runs on.
    QThread *thread() const { return m_thread.get(); }

private:
    struct Queue;

    std::shared_ptr<Queue> m_queue;
    std::unique_ptr<QThread> m_thread;
};

} // namespace tallowin
