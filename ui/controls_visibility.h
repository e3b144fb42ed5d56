#pragma once

// When the bars hide by themselves: during playback, more than three seconds
// after the last activity, while nothing holds them (an open menu, the style
// panel, a slider being held).

namespace velmo {

struct ControlsCheck {
    bool started = false; // a "load" has arrived
    bool paused = false;
    bool hidden = false;
    double idleSeconds = 0; // since the last activity
    bool held = false;
};

bool shouldHideControls(const ControlsCheck& check);

} // namespace velmo
