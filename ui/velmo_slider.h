#pragma once

#include "ui/cached_slider.h"

namespace velmo {

// The position slider. Its range and value are seconds (kept internally as
// milliseconds). A press anywhere on it moves the knob there and drags it until
// the release; `dragging()` is true from the press until the release, for every
// value change the press makes, the release position included, and false
// otherwise. Values set by the program are never reported. The wheel and the
// keyboard do not move it (keys go on to the window's shortcuts).
class VelmoSlider : public CachedSlider {
    Q_OBJECT

public:
    explicit VelmoSlider(QWidget* parent = nullptr);

    bool dragging() const { return tracking_; }

    double maximumSeconds() const { return maximum() / 1000.0; }
    void setMaximumSeconds(double seconds);
    double valueSeconds() const { return value() / 1000.0; }
    void setValueSeconds(double seconds);

signals:
    // Every change the user makes during a press, with dragging() true, and
    // once more with dragging() false when the press has ended.
    void userMoved();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The value whose knob starts at `pixel` along the slider.
    int valueAt(int pixel) const;
    QRect handleRect() const;
    void moveByUser(int value);
    void endPress();

    bool tracking_ = false;
    int grabOffset_ = 0; // from the knob's leading edge to the pointer
};

} // namespace velmo
