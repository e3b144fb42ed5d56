#pragma once

// Where the subtitle overlay puts things, in logical pixels with the origin at
// the view's top-left corner. Pure arithmetic, kept apart from the drawing so
// that the rules can be checked by themselves.

#include <QRectF>
#include <QSizeF>

namespace velmo {

struct OverlayGeometry {
    // The width the text is wrapped to.
    double wrapWidth = 0;
    // The text block: its measured size rounded up, centred (left edge rounded
    // down) and its bottom edge bottomInset above the view's bottom edge.
    QRectF text;
    // The box behind it: 16 wider on each side, 9 taller above and below.
    QRectF box;
    double boxRadius = 9;
};

// The larger of (view width - 160) and 200.
double subtitleWrapWidth(double viewWidth);

// `text` is the size measured at subtitleWrapWidth(view.width()), not rounded.
OverlayGeometry subtitleGeometry(QSizeF view, QSizeF text, double bottomInset);

// The font size the cue is drawn at: 0 (draw nothing) for a size that is not
// above 0 or not a number, and at most kMaxSubtitlePointSize, so that an absurd
// size still draws something bounded in bounded time.
inline constexpr double kMaxSubtitlePointSize = 300;
double subtitleDrawSize(double pointSize);

// The width of the black stroke around the glyphs for an outline strength (in
// percent of the em) and an em of `emSize`; 0 for no stroke (0.2 or below).
// Strengths far beyond anything a style offers are limited to keep the stroke
// inside the glyphs' neighbourhood.
inline constexpr double kMaxSubtitleOutline = 20;
double subtitleStrokeWidth(double outline, double emSize);

// The alpha the box colour is given; 0 means no box (0.01 or below).
double subtitleBoxAlpha(double opacity);

} // namespace velmo
