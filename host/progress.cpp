// Progress reports: twice a second from the first "load" until "closed", and
// at once after every pause or resume.

#include "host/controller.h"
#include "ui/clock.h"
#include "ui/velmo_slider.h"

#include <QLabel>

namespace velmo {

void VelmoPlayerApp::tickProgress() {
    emitProgress();
}

void VelmoPlayerApp::emitProgress() {
    if (!started || events.closedWritten())
        return;
    double d = duration;
    double p = position;
    // After the end the position stays at the duration, so that "closed" says
    // where "ended" said (the engine's clock stops a little short of the end).
    if (player && !ended) {
        // A time or length of 0 or less never overwrites what is known: the start
        // position is reported until the engine's clock moves.
        if (const auto ms = player->time(); ms > 0)
            p = static_cast<double>(ms) / 1000.0;
        if (const auto ms = player->length(); ms > 0)
            d = static_cast<double>(ms) / 1000.0;
        position = p;
        duration = d;
    }
    if (!live && d > 0 && positionSlider != nullptr && positionSlider->maximumSeconds() != d) {
        positionSlider->setMaximumSeconds(d);
        durationLabel->setText(FormatClock(d));
    }
    events.progress({p, d, paused, volume, rate});
}

} // namespace velmo
