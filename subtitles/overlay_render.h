#pragma once

// Lays out and renders one cue's text, shadow and outline into an image that
// the overlay keeps and blits until the text or the style changes.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>

namespace velmo {

struct SubtitleLook {
    // At the size to draw (see subtitleDrawSize).
    QFont font;
    QColor textColor = Qt::white;
    // Stroke strength in percent of the em; see subtitleStrokeWidth.
    double outline = 0;

    bool operator==(const SubtitleLook&) const = default;
};

struct RenderedCue {
    // The text block as measured, not rounded: the widest line by the lines'
    // heights with 3 between lines.
    QSizeF textSize;
    // Text, outline and shadow at the given device pixel ratio, with that ratio
    // set; null when there is no ink. Lines wholly more than `heightLimit` above
    // the block's bottom are left out (they could not be on screen).
    QImage image;
    // Where the image's top-left corner goes, relative to the top-left corner of
    // the text rectangle (whose width is textSize.width() rounded up).
    QPointF origin;
    // True when lines were left out because of heightLimit.
    bool clipped = false;
};

// Each "\n"-separated line of `text` is its own paragraph, whose base direction
// comes from its first strong character; each is wrapped to `wrapWidth` and
// centred.
RenderedCue renderSubtitleCue(const QString& text, const SubtitleLook& look, double wrapWidth,
                              double ratio, double heightLimit);

} // namespace velmo
