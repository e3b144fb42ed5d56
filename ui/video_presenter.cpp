#include "ui/video_presenter.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmo {

bool RasterPresenter::prepare(const FrameRing::Writable& picture, const PictureInfo& info) {
    int width = 0;
    int height = 0;
    if (info.viewWidth > 0 && info.viewHeight > 0) {
        const FitRect fit = fitPicture(info.viewWidth, info.viewHeight, info.aspect);
        width = fit.width;
        height = fit.height;
    } else {
        height = info.height;
        width = std::max(1, static_cast<int>(std::lround(height * info.aspect)));
    }
    RgbPicture* out = picture.output;
    out->viewWidth = info.viewWidth;
    out->viewHeight = info.viewHeight;
    out->aspect = info.aspect;
    return converter_.convert(picture.planes, picture.layout.pitches, info.width, info.height,
                              info.matrix, width, height, out);
}

void RasterPresenter::paint(QPainter& painter, const FrameRing::Reader& frame, QSize deviceSize,
                            qreal ratio) {
    const QRectF all(0, 0, deviceSize.width() / ratio, deviceSize.height() / ratio);
    if (!frame) {
        painter.fillRect(all, Qt::black);
        return;
    }
    const RgbPicture& picture = frame.picture();
    const FitRect fit = fitPicture(deviceSize.width(), deviceSize.height(), picture.aspect);
    const QRectF target(fit.x / ratio, fit.y / ratio, fit.width / ratio, fit.height / ratio);
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
