#include "ui/controls_visibility.h"

#include "common/delays.h"

namespace velmo {

bool shouldHideControls(const ControlsCheck& c) {
    return !c.paused && !c.hidden && c.started && c.idleSeconds > delay::kControlsIdle / 1000.0 &&
           !c.held;
}

} // namespace velmo
