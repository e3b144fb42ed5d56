#pragma once

#include <QSlider>

namespace velmo {

// The position slider. Its range and value are seconds (kept internally as
// milliseconds); `dragging()` is true from the press on the slider until the
// release, for every value change the drag sends, the last one included.
class VelmoSlider : public QSlider {
    Q_OBJECT

public:
    explicit VelmoSlider(QWidget* parent = nullptr);

    bool dragging() const { return tracking_; }

    double maximumSeconds() const { return maximum() / 1000.0; }
    void setMaximumSeconds(double seconds);
    double valueSeconds() const { return value() / 1000.0; }
    void setValueSeconds(double seconds);

signals:
    // Every change made by the user: while dragging, on a click, and once more
    // with dragging() false when the press ends.
    void userMoved();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool tracking_ = false;
    bool userAction_ = false;
};

} // namespace velmo
