#include "ui/video_view.h"

#include "engine/frame_sink.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace velmo {

VideoView::VideoView(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted each time (picture or black), so Qt need not clear.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    sink_ = std::make_unique<FrameSink>([this] {
        // From the engine's thread. Dropped by Qt if the view is gone by then.
        QMetaObject::invokeMethod(this, &VideoView::takeNotice, Qt::QueuedConnection);
    });
}

VideoView::~VideoView() = default;

VideoSink* VideoView::sink() {
    return sink_.get();
}

void VideoView::clear() {
    sink_->clear();
    update();
}

QSize VideoView::deviceSize() const {
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::lround(width() * ratio)),
            static_cast<int>(std::lround(height() * ratio))};
}

void VideoView::takeNotice() {
    sink_->noticeTaken();
    update();
}

void VideoView::resizeEvent(QResizeEvent* event) {
    const QSize size = deviceSize();
    sink_->setViewSize(size.width(), size.height());
    QWidget::resizeEvent(event);
}

void VideoView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QSize device = deviceSize();
    // The ratio may have changed without a resize (the window moved to another
    // screen); pictures made from now on follow it.
    sink_->setViewSize(device.width(), device.height());

    FrameRing::Reader frame = sink_->current();
    if (!frame) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    const RgbPicture& picture = frame.picture();
    paintedSequence_ = frame.sequence();

    const qreal ratio = devicePixelRatioF();
    const FitRect fit = fitPicture(device.width(), device.height(), picture.aspect);
    const QRectF target(fit.x / ratio, fit.y / ratio, fit.width / ratio, fit.height / ratio);
    const QRectF all(rect());
    // Black only around the picture, not under it.
    painter.fillRect(QRectF(0, 0, all.width(), target.top()), Qt::black);
    painter.fillRect(QRectF(0, target.bottom(), all.width(), all.height() - target.bottom()),
                     Qt::black);
    painter.fillRect(QRectF(0, target.top(), target.left(), target.height()), Qt::black);
    painter.fillRect(
        QRectF(target.right(), target.top(), all.width() - target.right(), target.height()),
        Qt::black);

    QImage image(picture.pixels.data(), picture.width, picture.height, picture.stride,
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    if (picture.width == fit.width && picture.height == fit.height) {
        // Made for this size: a plain copy.
        painter.drawImage(target.topLeft(), image);
    } else {
        // Made for an earlier size: scaled until a picture of this size arrives.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
    }
}

} // namespace velmo
