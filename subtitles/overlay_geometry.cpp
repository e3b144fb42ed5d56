#include "subtitles/overlay_geometry.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

constexpr double kSideMargins = 160;
constexpr double kMinWrapWidth = 200;
constexpr double kBoxPadX = 16;
constexpr double kBoxPadY = 9;

} // namespace

double subtitleWrapWidth(double viewWidth) {
    // std::max would keep a NaN width; a view has none, but the wrap must be sane.
    return viewWidth - kSideMargins > kMinWrapWidth ? viewWidth - kSideMargins : kMinWrapWidth;
}

OverlayGeometry subtitleGeometry(QSizeF view, QSizeF text, double bottomInset) {
    OverlayGeometry g;
    g.wrapWidth = subtitleWrapWidth(view.width());
    const double w = std::ceil(text.width());
    const double h = std::ceil(text.height());
    const double x = std::floor((view.width() - w) / 2);
    // The block's bottom edge sits bottomInset above the view's bottom edge.
    const double y = view.height() - bottomInset - h;
    g.text = QRectF(x, y, w, h);
    g.box = g.text.adjusted(-kBoxPadX, -kBoxPadY, kBoxPadX, kBoxPadY);
    return g;
}

double subtitleDrawSize(double pointSize) {
    if (!(pointSize > 0))
        return 0;
    return std::min(pointSize, kMaxSubtitlePointSize);
}

double subtitleStrokeWidth(double outline, double emSize) {
    if (!(outline > 0.2) || !(emSize > 0))
        return 0;
    return std::min(outline, kMaxSubtitleOutline) / 100 * emSize;
}

double subtitleBoxAlpha(double opacity) {
    if (!(opacity > 0.01))
        return 0;
    return std::min(opacity, 1.0);
}

} // namespace velmo
