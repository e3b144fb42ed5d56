#pragma once

// The one label of the window: plain text (titles, track names and messages come
// from outside and are never markup), wrapped at words up to a number of lines,
// the last line cut at its logical end with an ellipsis, and an optional rounded
// background. QLabel clips what does not fit and knows neither a line limit nor
// rounded corners, so this one draws its text itself.

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QStringList>

namespace velmo {

// The lines `text` shows as in a box `width` wide: wrapped at word boundaries
// (anywhere inside a word longer than a line), at most `maxLines` of them, the
// last one elided at the tail with "…" when the text goes on. Explicit line
// breaks count as breaks.
QStringList labelLines(const QString& text, const QFont& font, double width, int maxLines);

class TextLabel : public QLabel {
    Q_OBJECT

public:
    explicit TextLabel(const QString& text = {}, QWidget* parent = nullptr);

    int maxLines() const { return maxLines_; }
    void setMaxLines(int lines);

    // Off: a text too long for one line is cut off at the label's edge, with no
    // ellipsis (only with a limit of one line).
    void setElides(bool elides);

    // Drawn under the text with rounded corners of `radius`; transparent = none.
    void setBackground(const QColor& color, double radius);
    QColor background() const { return background_; }
    double cornerRadius() const { return radius_; }

    // What is on screen now, for tests.
    QStringList shownLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void renderInto(QPainter& painter, const QStringList& lines, const QColor& color) const;

    int maxLines_ = 2;
    bool elides_ = true;
    QColor background_ = Qt::transparent;
    double radius_ = 0;
    // The bars repaint with every video frame: lay the text out only when it,
    // the font, the width or the limit changed.
    mutable QString laidText_;
    mutable QFont laidFont_;
    mutable double laidWidth_ = -1;
    mutable int laidMaxLines_ = 0;
    mutable bool laidElides_ = true;
    mutable QStringList laidLines_;
    // The last rendering and what it was made from.
    QPixmap rendered_;
    qreal renderedDpr_ = 0;
    QSize renderedSize_;
    QStringList renderedLines_;
    QFont renderedFont_;
    QColor renderedColor_;
    QColor renderedBackground_;
    double renderedRadius_ = 0;
    Qt::Alignment renderedAlignment_;
};

} // namespace velmo
