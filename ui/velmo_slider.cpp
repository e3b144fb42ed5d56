#include "ui/velmo_slider.h"

#include "common/numbers.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace velmo {

VelmoSlider::VelmoSlider(QWidget* parent) : CachedSlider(Qt::Horizontal, parent) {
    setRange(0, 1000);
    setFocusPolicy(Qt::NoFocus);
    setTracking(true);
}

void VelmoSlider::setMaximumSeconds(double seconds) {
    setMaximum(std::max(0, truncToInt(seconds * 1000.0)));
}

void VelmoSlider::setValueSeconds(double seconds) {
    setValue(truncToInt(seconds * 1000.0));
}

QRect VelmoSlider::handleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int VelmoSlider::valueAt(int pixel) const {
    // The same mapping QSlider uses for its own drags, so the knob stays under
    // the pointer (mirrored in a right-to-left layout).
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const bool horizontal = orientation() == Qt::Horizontal;
    const int length = horizontal ? handle.width() : handle.height();
    const int start = horizontal ? groove.x() : groove.y();
    const int end = (horizontal ? groove.right() : groove.bottom()) - length + 1;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), pixel - start, end - start,
                                           option.upsideDown);
}

void VelmoSlider::moveByUser(int value) {
    value = std::clamp(value, minimum(), maximum());
    if (value == this->value())
        return;
    setValue(value);
    emit userMoved();
}

void VelmoSlider::mousePressEvent(QMouseEvent* event) {
    if (tracking_) {
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const bool horizontal = orientation() == Qt::Horizontal;
    const QPoint pos = event->position().toPoint();
    const QRect handle = handleRect();
    tracking_ = true;
    setSliderDown(true);
    if (handle.contains(pos)) {
        grabOffset_ = horizontal ? pos.x() - handle.x() : pos.y() - handle.y();
    } else {
        // A video player's slider jumps to the click instead of paging towards
        // it, and the press goes on as a drag from there.
        grabOffset_ = (horizontal ? handle.width() : handle.height()) / 2;
        moveByUser(valueAt((horizontal ? pos.x() : pos.y()) - grabOffset_));
    }
}

void VelmoSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!tracking_) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    moveByUser(valueAt((orientation() == Qt::Horizontal ? pos.x() : pos.y()) - grabOffset_));
}

void VelmoSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!tracking_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    moveByUser(valueAt((orientation() == Qt::Horizontal ? pos.x() : pos.y()) - grabOffset_));
    endPress();
}

void VelmoSlider::endPress() {
    if (!tracking_)
        return;
    // One last report with dragging() false, so that the time display follows
    // playback again.
    tracking_ = false;
    setSliderDown(false);
    emit userMoved();
}

void VelmoSlider::wheelEvent(QWheelEvent* event) {
    // Scrolling over the bar must not seek.
    event->ignore();
}

void VelmoSlider::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}

void VelmoSlider::hideEvent(QHideEvent* event) {
    // A hidden slider gets no release: without this the press would never
    // end and the knob would stop following playback.
    endPress();
    QSlider::hideEvent(event);
}

void VelmoSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        endPress();
    QSlider::changeEvent(event);
}

} // namespace velmo
