#pragma once

namespace tallowin {

// Whether the window animates. Off on the offscreen platform (tests and screenshots, where every frame must be
// the final one); a test may switch it either way.
class Motion
{
public:
    static bool enabled();
    static void setEnabled(bool enabled);
    // The duration to use for an animation of ms milliseconds: 0 when motion is off.
    static int duration(int ms) { return enabled() ? ms : 0; }
};

} // namespace tallowin
