#pragma once

// A slider that keeps its last drawing. The sliders sit in the translucent bars
// over the video, which repaint with every video frame; the style's drawing of
// the groove and knob is made again only when what it depends on (value, range,
// size, state, palette) has changed.

#include <QPixmap>
#include <QSlider>
#include <QStyleOptionSlider>

namespace velmo {

class CachedSlider : public QSlider {
    Q_OBJECT

public:
    explicit CachedSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

    // How many times the style drew the slider; for tests.
    int drawings() const { return drawings_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStyleOptionSlider option() const;

    QPixmap cache_;
    QStyleOptionSlider cachedOption_;
    qreal cachedDpr_ = 0;
    int drawings_ = 0;
};

} // namespace velmo
