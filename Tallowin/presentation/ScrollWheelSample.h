#pragma once

#include <cstdint>

namespace tallowin {

// One scroll event as the review canvas sees it: where it landed, how far it scrolls, and which part of a gesture it
// is. Deltas are in eighths of a degree, so one notch of a classic wheel is 120.
struct ScrollWheelSample
{
    // The phase of a trackpad gesture; none for a classic wheel and for trackpads on platforms that report no
    // phases (X11).
    enum class Phase { none, began, changed, ended, cancelled };
    // The coasting that follows a trackpad gesture, where the platform reports it.
    enum class Momentum { none, began, changed, ended };

    bool insideCanvas = true;
    double deltaX = 0;
    double deltaY = 0;
    Phase phase = Phase::none;
    Momentum momentum = Momentum::none;
    // Milliseconds on the clock of the input device; only differences between events count.
    std::int64_t timestampMs = 0;

    friend bool operator==(const ScrollWheelSample &, const ScrollWheelSample &) = default;
};

} // namespace tallowin
