// The time labels, the slider, the live badge and the centre button follow the
// playback fields; nothing here talks to the engine.

#include "host/controller.h"
#include "ui/clock.h"
#include "ui/icon_button.h"
#include "ui/velmo_slider.h"

#include <QLabel>

namespace velmo {

void VelmoPlayerApp::refreshDurationUI() {
    // Live media, and media of a second or less, have no usable timeline.
    const bool timeline = !live && duration > 1.0;
    positionSlider->setVisible(timeline);
    durationLabel->setVisible(timeline);
    currentLabel->setVisible(timeline);
    liveBadge->setVisible(!timeline);
    if (timeline) {
        positionSlider->setMaximumSeconds(duration);
        durationLabel->setText(FormatClock(duration));
    }
    updatePositionUI();
}

void VelmoPlayerApp::updatePositionUI() {
    if (!positionSlider->isHidden()) {
        // During a drag the knob belongs to the user.
        if (!positionSlider->dragging())
            positionSlider->setValueSeconds(std::min(position, positionSlider->maximumSeconds()));
        currentLabel->setText(FormatClock(position));
    }
    updateSubtitleCue();
}

void VelmoPlayerApp::updateCenterButton() {
    centerButton->setVisible(paused && errorLabel->isHidden());
    const QString symbol =
        ended ? QStringLiteral("arrow.counterclockwise") : QStringLiteral("play.fill");
    centerButton->setSymbol(symbol, 46);
}

} // namespace velmo
