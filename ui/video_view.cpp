#include "ui/video_view.h"

#include "engine/frame_sink.h"
#include "ui/video_presenter.h"

#include <QPainter>

#include <cmath>

namespace velmo {

VideoView::VideoView(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted each time (picture or black), so Qt need not clear.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    presenter_ = std::make_unique<RasterPresenter>();
    sink_ = std::make_unique<FrameSink>(
        [this] {
            // From the engine's thread. Dropped by Qt if the view is gone by then.
            QMetaObject::invokeMethod(this, &VideoView::takeNotice, Qt::QueuedConnection);
        },
        presenter_.get());
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

void VideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QSize device = deviceSize();
    // The ratio may have changed without a resize (the window moved to another
    // screen); pictures made from now on follow it.
    sink_->setViewSize(device.width(), device.height());
    FrameRing::Reader frame = sink_->current();
    if (frame)
        paintedSequence_ = frame.sequence();
    presenter_->paint(painter, frame, device, devicePixelRatioF());
}

} // namespace velmo
