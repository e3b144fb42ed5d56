#pragma once

// The view that draws the current external cue over the video: centred near the
// bottom, wrapped to the view's width, with a blurred shadow, an optional black
// outline and an optional rounded box. It is a transparent child stacked above
// the video view and never takes the mouse. It holds no subtitle logic: the
// controller hands it the cue and the style, then calls refresh().

#include "subtitles/model.h"

#include <QColor>
#include <QFont>
#include <QWidget>

#include <memory>

namespace velmo {

struct SubtitleLook;

class SubtitleOverlayView : public QWidget {
    Q_OBJECT

public:
    explicit SubtitleOverlayView(QWidget* parent = nullptr);
    ~SubtitleOverlayView() override;

    // Repaints only when the text to show changes: the same object, or another
    // cue with equal text, is stored without a repaint (no flicker between two
    // cues that say the same thing). Null shows nothing.
    void setCue(std::shared_ptr<const SubtitleCue> cue);
    const SubtitleCue* cue() const { return cue_.get(); }

    // The style. Setters only store; the caller calls refresh() afterwards.
    // These hide QWidget::setFont/font on purpose: the subtitle font is not the
    // widget's font (its point size is the subtitle size, and a font without a
    // point size above 0 draws nothing).
    void setFont(const QFont& font) { font_ = font; }
    const QFont& font() const { return font_; }
    void setTextColor(const QColor& color) { textColor_ = color; }
    QColor textColor() const { return textColor_; }
    void setBoxColor(const QColor& color) { boxColor_ = color; }
    QColor boxColor() const { return boxColor_; }
    // At 0.01 or below no box is drawn; above 1 counts as 1.
    void setBoxOpacity(double opacity) { boxOpacity_ = opacity; }
    double boxOpacity() const { return boxOpacity_; }
    // Stroke width in percent of the font size; at 0.2 or below no outline.
    void setOutline(double outline) { outline_ = outline; }
    double outline() const { return outline_; }
    // Logical pixels from the view's bottom edge to the bottom of the text block.
    void setBottomInset(double inset) { bottomInset_ = inset; }
    double bottomInset() const { return bottomInset_; }

    // Repaints unconditionally: after a style change or a new bottom inset.
    void refresh();

    // How many times a paint event actually drew a cue; for tests and benchmarks.
    // Every repaint of the video underneath repaints this view too, so this
    // follows the frame rate while a cue shows.
    int paintCount() const { return paintCount_; }
    // How many times a cue was laid out and rendered (text, outline, shadow);
    // the paints in between reuse that image. For tests and benchmarks.
    int renderCount() const { return renderCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Rendered;

    const Rendered* rendered(const SubtitleLook& look, double ratio);

    std::shared_ptr<const SubtitleCue> cue_;
    QFont font_;
    // The subtitle style's defaults until the controller hands over its own.
    QColor textColor_ = Qt::white;
    QColor boxColor_ = Qt::black;
    double boxOpacity_ = 0.55;
    double outline_ = 1.95;
    double bottomInset_ = 100;
    int paintCount_ = 0;
    int renderCount_ = 0;
    std::unique_ptr<Rendered> cache_;
};

} // namespace velmo
