#include "Tallowin/screens/ScrollWheelCycleMonitor.h"

#include <QApplication>
#include <QWheelEvent>

namespace tallowin {

ScrollWheelCycleMonitor::ScrollWheelCycleMonitor(QWidget *parent)
    : QWidget(parent)
    , m_cycle(
          [this] {
              if (m_action)
                  m_action();
          },
          [this](bool active) {
              if (m_activity)
                  m_activity(active);
          })
{
    setObjectName(QStringLiteral("scrollWheelCycleMonitor"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(int(ScrollWheelCycle::burstQuietMs));
    connect(&m_quietTimer, &QTimer::timeout, this, [this] { m_cycle.quietTimeElapsed(); });
}

ScrollWheelCycleMonitor::~ScrollWheelCycleMonitor()
{
    setMonitoring(false);
}

void ScrollWheelCycleMonitor::setMonitoring(bool monitoring)
{
    if (m_monitoring == monitoring)
        return;
    m_monitoring = monitoring;
    if (monitoring)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void ScrollWheelCycleMonitor::showEvent(QShowEvent *event)
{
    setMonitoring(true);
    QWidget::showEvent(event);
}

void ScrollWheelCycleMonitor::hideEvent(QHideEvent *event)
{
    setMonitoring(false);
    QWidget::hideEvent(event);
}

ScrollWheelSample ScrollWheelCycleMonitor::sample(const QWheelEvent &event) const
{
    ScrollWheelSample sample;
    sample.insideCanvas = rect().contains(mapFromGlobal(event.globalPosition()).toPoint());
    // Trackpads on some platforms report only pixels; a notch is then about 120 of them anyway.
    const QPoint delta = event.angleDelta().isNull() ? event.pixelDelta() : event.angleDelta();
    sample.deltaX = delta.x();
    sample.deltaY = delta.y();
    sample.timestampMs = std::int64_t(event.timestamp());
    switch (event.phase()) {
    case Qt::NoScrollPhase:
        break;
    case Qt::ScrollBegin:
        sample.phase = ScrollWheelSample::Phase::began;
        break;
    case Qt::ScrollUpdate:
        sample.phase = ScrollWheelSample::Phase::changed;
        break;
    case Qt::ScrollEnd:
        sample.phase = ScrollWheelSample::Phase::ended;
        break;
    case Qt::ScrollMomentum:
        sample.momentum = ScrollWheelSample::Momentum::changed;
        break;
    }
    return sample;
}

bool ScrollWheelCycleMonitor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || !watched->isWidgetType())
        return false;
    // Only scrolls in this window: a sheet or a menu above the canvas keeps its own.
    auto *target = static_cast<QWidget *>(watched);
    if (target->window() != window())
        return false;
    const auto &wheel = static_cast<const QWheelEvent &>(*event);
    const bool used = m_cycle.handle(sample(wheel));
    if (m_cycle.burstActive())
        m_quietTimer.start();
    else
        m_quietTimer.stop();
    if (used)
        event->accept();
    return used;
}

} // namespace tallowin
