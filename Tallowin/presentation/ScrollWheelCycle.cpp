#include "Tallowin/presentation/ScrollWheelCycle.h"

#include <cmath>
#include <utility>

namespace tallowin {

ScrollWheelCycle::ScrollWheelCycle(std::function<void()> action, std::function<void(bool)> activity)
    : m_action(std::move(action))
    , m_activity(std::move(activity))
{ }

void ScrollWheelCycle::endGesture()
{
    if (m_gestureActive && m_activity)
        m_activity(false);
    m_gestureActive = false;
    m_handledGesture = false;
    m_burstActive = false;
}

void ScrollWheelCycle::quietTimeElapsed()
{
    if (m_burstActive)
        endGesture();
}

bool ScrollWheelCycle::handle(const ScrollWheelSample &sample)
{
    using Phase = ScrollWheelSample::Phase;
    using Momentum = ScrollWheelSample::Momentum;
    const bool phased = sample.phase != Phase::none || sample.momentum != Momentum::none;

    if (sample.phase == Phase::ended || sample.phase == Phase::cancelled || sample.momentum == Momentum::ended) {
        endGesture();
        return false;
    }
    // A burst whose quiet time passed before its timer could say so.
    if (m_burstActive && (phased || sample.timestampMs - m_lastBurstEventMs >= burstQuietMs))
        endGesture();

    if (!sample.insideCanvas || std::abs(sample.deltaX) > std::abs(sample.deltaY) || sample.deltaY == 0)
        return false;

    if (phased) {
        if (sample.momentum != Momentum::none)
            return true;
        if (!m_gestureActive) {
            m_gestureActive = true;
            if (m_activity)
                m_activity(true);
        }
        if (!m_handledGesture) {
            m_handledGesture = true;
            if (m_action)
                m_action();
        }
        return true;
    }

    if (m_burstActive) {
        m_lastBurstEventMs = sample.timestampMs;
        return true;
    }
    if (std::abs(sample.deltaY) >= notch) {
        if (m_action)
            m_action();
        return true;
    }
    m_burstActive = true;
    m_gestureActive = true;
    m_handledGesture = true;
    m_lastBurstEventMs = sample.timestampMs;
    if (m_activity)
        m_activity(true);
    if (m_action)
        m_action();
    return true;
}

} // namespace tallowin
