#include "ui/icon_button.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace velmo {

QPixmap symbolPixmap(const QString& symbol, const QSizeF& logicalSize, const QColor& tint,
                     qreal devicePixelRatio) {
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(symbol));
    if (!renderer.isValid() || logicalSize.isEmpty())
        return {};
    const QSize pixels(int(std::ceil(logicalSize.width() * devicePixelRatio)),
                       int(std::ceil(logicalSize.height() * devicePixelRatio)));
    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
        // Keep the artwork's coverage, take the tint's colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), tint);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

IconButton::IconButton(const QString& symbol, const QString& tooltip, double pointSize,
                       QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), pointSize_(pointSize) {
    setFocusPolicy(Qt::NoFocus);
    setToolTip(tooltip);
    setCursor(Qt::PointingHandCursor);
}

void IconButton::setSymbol(const QString& symbol, double pointSize) {
    if (symbol == symbol_ && pointSize == pointSize_)
        return;
    symbol_ = symbol;
    pointSize_ = pointSize;
    cache_ = QPixmap();
    cacheSide_ = 0;
    update();
}

void IconButton::setTint(const QColor& tint) {
    tint_ = tint;
    cache_ = QPixmap();
    cacheSide_ = 0;
    update();
}

QSize IconButton::sizeHint() const {
    const int side = int(std::ceil(pointSize_));
    return {side, side};
}

void IconButton::paintEvent(QPaintEvent*) {
    // The artwork's box is the point size, scaled down (never up past the point
    // size's proportion) to fit the button, centred.
    const double side = std::min({double(width()), double(height()), pointSize_ * 1.25});
    const QSizeF logical(side, side);
    const qreal dpr = devicePixelRatioF();
    // Keyed on the size asked for, not the pixmap's: its pixels are rounded up,
    // so a fractional side would never match and the artwork would be drawn
    // again at every paint, which over playing video is every frame.
    if (cacheDpr_ != dpr || cacheSide_ != side) {
        cache_ = symbolPixmap(symbol_, logical, tint_, dpr);
        cacheDpr_ = dpr;
        cacheSide_ = side;
        ++drawings_;
    }
    if (cache_.isNull())
        return;
    QPainter painter(this);
    if (isDown())
        painter.setOpacity(0.7);
    const QPointF origin((width() - side) / 2.0, (height() - side) / 2.0);
    painter.drawPixmap(origin, cache_);
}

} // namespace velmo
