#include "ui/cached_slider.h"

#include <QPainter>
#include <QStyle>

namespace velmo {

namespace {

// Everything in the option that the style's slider drawing reads.
bool sameLook(const QStyleOptionSlider& a, const QStyleOptionSlider& b) {
    return a.rect == b.rect && a.state == b.state && a.direction == b.direction &&
           a.palette == b.palette && a.minimum == b.minimum && a.maximum == b.maximum &&
           a.sliderPosition == b.sliderPosition && a.sliderValue == b.sliderValue &&
           a.upsideDown == b.upsideDown && a.orientation == b.orientation &&
           a.tickPosition == b.tickPosition && a.tickInterval == b.tickInterval &&
           a.pageStep == b.pageStep && a.singleStep == b.singleStep &&
           a.subControls == b.subControls && a.activeSubControls == b.activeSubControls;
}

} // namespace

CachedSlider::CachedSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {}

QStyleOptionSlider CachedSlider::option() const {
    // As QSlider::paintEvent sets it up.
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (tickPosition() != NoTicks)
        opt.subControls |= QStyle::SC_SliderTickmarks;
    return opt;
}

void CachedSlider::paintEvent(QPaintEvent*) {
    const QStyleOptionSlider opt = option();
    const qreal dpr = devicePixelRatioF();
    if (cache_.isNull() || cachedDpr_ != dpr || !sameLook(opt, cachedOption_)) {
        cache_ = QPixmap((QSizeF(size()) * dpr).toSize());
        cache_.setDevicePixelRatio(dpr);
        cache_.fill(Qt::transparent);
        QPainter painter(&cache_);
        style()->drawComplexControl(QStyle::CC_Slider, &opt, &painter, this);
        cachedOption_ = opt;
        cachedDpr_ = dpr;
        ++drawings_;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, cache_);
}

} // namespace velmo
