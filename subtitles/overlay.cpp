#include "subtitles/overlay.h"

#include "subtitles/overlay_geometry.h"
#include "subtitles/overlay_render.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace velmo {

// The last cue drawn, with what it was drawn from.
struct SubtitleOverlayView::Rendered {
    QString text;
    SubtitleLook look;
    double wrapWidth = 0;
    double ratio = 0;
    double heightLimit = 0;
    RenderedCue cue;
};

SubtitleOverlayView::SubtitleOverlayView(QWidget* parent) : QWidget(parent) {
    // Clicks, drags and pointer movement belong to the views behind.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // Nothing is painted outside the text and its box: the video shows through.
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

SubtitleOverlayView::~SubtitleOverlayView() = default;

void SubtitleOverlayView::setCue(std::shared_ptr<const SubtitleCue> cue) {
    if (cue == cue_)
        return;
    const bool sameText = cue && cue_ && cue->text == cue_->text;
    cue_ = std::move(cue);
    if (!sameText)
        update();
}

void SubtitleOverlayView::refresh() {
    update();
}

const SubtitleOverlayView::Rendered* SubtitleOverlayView::rendered(const SubtitleLook& look,
                                                                   double ratio) {
    const double wrapWidth = subtitleWrapWidth(width());
    // Only a cue taller than the view depends on the view's height.
    const double heightLimit = height();
    if (cache_ && cache_->text == cue_->text && cache_->look == look &&
        cache_->wrapWidth == wrapWidth && cache_->ratio == ratio &&
        (!cache_->cue.clipped || cache_->heightLimit == heightLimit))
        return cache_.get();
    auto fresh = std::make_unique<Rendered>();
    fresh->text = cue_->text;
    fresh->look = look;
    fresh->wrapWidth = wrapWidth;
    fresh->ratio = ratio;
    fresh->heightLimit = heightLimit;
    fresh->cue = renderSubtitleCue(fresh->text, look, wrapWidth, ratio, heightLimit);
    ++renderCount_;
    cache_ = std::move(fresh);
    return cache_.get();
}

void SubtitleOverlayView::paintEvent(QPaintEvent* event) {
    if (!cue_ || cue_->text.isEmpty())
        return;
    const double drawSize = subtitleDrawSize(font_.pointSizeF());
    if (drawSize <= 0)
        return;
    SubtitleLook look{font_, textColor_, outline_};
    if (look.font.pointSizeF() != drawSize)
        look.font.setPointSizeF(drawSize);

    QPainter painter(this);
    // The ratio of what is painted on, not the widget's: a render into an image
    // of another ratio must get glyphs made for that ratio, not scaled ones.
    const QPaintEngine* engine = painter.paintEngine();
    const double ratio = engine && engine->paintDevice()
                             ? engine->paintDevice()->devicePixelRatioF()
                             : devicePixelRatioF();
    const Rendered* drawn = rendered(look, ratio);
    const OverlayGeometry g = subtitleGeometry(size(), drawn->cue.textSize, bottomInset_);
    const QRectF image = drawn->cue.image.isNull()
                             ? QRectF()
                             : QRectF(g.text.topLeft() + drawn->cue.origin,
                                      drawn->cue.image.deviceIndependentSize());
    const QRectF area = g.box.united(image);
    // An inset that is not a number, or puts the text off the view, draws nothing
    // (and keeps absurd coordinates away from the painter).
    if (!std::isfinite(area.top()) || !area.intersects(rect()) ||
        !event->region().intersects(area.toAlignedRect()))
        return;

    const double boxAlpha = subtitleBoxAlpha(boxOpacity_);
    if (boxAlpha > 0) {
        QColor box = boxColor_;
        box.setAlphaF(static_cast<float>(boxAlpha));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(box);
        painter.drawRoundedRect(g.box, g.boxRadius, g.boxRadius);
    }
    if (!drawn->cue.image.isNull())
        painter.drawImage(image.topLeft(), drawn->cue.image);
    ++paintCount_;
}

} // namespace velmo
