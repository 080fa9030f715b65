#pragma once

#include "Tallowin/presentation/ScrollWheelCycle.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class QWheelEvent;

namespace tallowin {

// A transparent view over the review canvas that watches the scroll wheel and the trackpad: while it is part of a
// shown window it monitors every scroll event of the application, and those over its bounds that move vertically
// become "move on one card" (action) by the ScrollWheelCycle rule. Clicks pass through it.
class ScrollWheelCycleMonitor : public QWidget
{
    Q_OBJECT

public:
    explicit ScrollWheelCycleMonitor(QWidget *parent = nullptr);
    ~ScrollWheelCycleMonitor() override;

    void setAction(std::function<void()> action) { m_action = std::move(action); }
    // A scroll gesture starts (true) or ends (false).
    void setActivity(std::function<void(bool)> activity) { m_activity = std::move(activity); }
    bool isMonitoring() const { return m_monitoring; }
    bool gestureActive() const { return m_cycle.gestureActive(); }

    // The event as the rule sees it: inside these bounds or not, deltas, phases.
    ScrollWheelSample sample(const QWheelEvent &event) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setMonitoring(bool monitoring);

    std::function<void()> m_action;
    std::function<void(bool)> m_activity;
    ScrollWheelCycle m_cycle;
    QTimer m_quietTimer;
    bool m_monitoring = false;
};

} // namespace tallowin
