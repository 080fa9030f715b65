#pragma once

#include "Tallowin/presentation/ScrollWheelSample.h"

#include <cstdint>
#include <functional>

namespace tallowin {

// The rule behind the scroll-wheel monitor of the review canvas: a classic wheel moves on one card per notch, a
// trackpad gesture moves on exactly one card however long it coasts, and horizontal scrolls or scrolls outside the
// canvas pass through.
//
// Trackpads on X11 report no phases: a flick arrives as a burst of small high-resolution deltas. A delta smaller
// than a notch without a phase therefore starts a burst that counts as one gesture and ends after a quiet time
// without events; a whole notch outside a burst is a wheel notch.
class ScrollWheelCycle
{
public:
    static constexpr double notch = 120;
    // Longer than the gap between the events of one flick (about 10 ms), shorter than a deliberate pause between two.
    static constexpr std::int64_t burstQuietMs = 250;

    // action: move on one card. activity: a gesture starts (true) or ends (false).
    ScrollWheelCycle(std::function<void()> action, std::function<void(bool)> activity);

    // True when the event was used and must not reach anything else.
    bool handle(const ScrollWheelSample &sample);
    // The quiet time after the last event of a burst has passed.
    void quietTimeElapsed();

    bool gestureActive() const { return m_gestureActive; }
    bool handledGesture() const { return m_handledGesture; }
    bool burstActive() const { return m_burstActive; }

private:
    void endGesture();

    std::function<void()> m_action;
    std::function<void(bool)> m_activity;
    bool m_gestureActive = false;
    bool m_handledGesture = false;
    bool m_burstActive = false;
    std::int64_t m_lastBurstEventMs = 0;
};

} // namespace tallowin
