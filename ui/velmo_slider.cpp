#include "ui/velmo_slider.h"

#include "host/fields.h"

#include <QMouseEvent>

namespace velmo {

VelmoSlider::VelmoSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 1000);
    setFocusPolicy(Qt::NoFocus);
    setTracking(true);
    // Only changes made by the user are reported: a drag of the knob, or a
    // click or key step (an action), never a value set by the program.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action != SliderMove)
            userAction_ = true;
    });
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (userAction_ || isSliderDown()) {
            userAction_ = false;
            emit userMoved();
        }
    });
}

void VelmoSlider::setMaximumSeconds(double seconds) {
    setMaximum(std::max(0, truncToInt(seconds * 1000.0)));
}

void VelmoSlider::setValueSeconds(double seconds) {
    setValue(truncToInt(seconds * 1000.0));
}

void VelmoSlider::mousePressEvent(QMouseEvent* event) {
    tracking_ = true;
    QSlider::mousePressEvent(event);
}

void VelmoSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (tracking_) {
        // The press is over: one last report with dragging() false, so that the
        // time display follows playback again.
        tracking_ = false;
        emit userMoved();
    }
}

} // namespace velmo
