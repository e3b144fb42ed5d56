#include "ui/text_label.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace velmo {

namespace {

const QChar kEllipsis(0x2026);

QString trimmedEnd(QString s) {
    while (!s.isEmpty() && (s.back().isSpace() || s.back() == QChar::LineSeparator))
        s.chop(1);
    return s;
}

// The last line when more text follows it: as much of the rest as fits, then
// the ellipsis.
QString elideTail(const QString& lineText, const QString& rest, const QFont& font, double width) {
    const QFontMetricsF metrics(font);
    QString joined = rest;
    joined.replace(QChar::LineSeparator, QLatin1Char(' '));
    const QString elided = metrics.elidedText(joined, Qt::ElideRight, width);
    if (elided != joined)
        return elided;
    // It all fits once the line breaks are gone: the break still hides text.
    return metrics.elidedText(trimmedEnd(lineText) + kEllipsis, Qt::ElideRight, width);
}

} // namespace

QStringList labelLines(const QString& text, const QFont& font, double width, int maxLines) {
    QStringList lines;
    if (text.isEmpty() || maxLines < 1)
        return lines;
    QString laid = text;
    laid.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    laid.replace(QLatin1Char('\r'), QChar::LineSeparator);
    QTextLayout layout(laid, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max(0.0, width));
        const QString lineText = laid.mid(line.textStart(), line.textLength());
        const bool more = line.textStart() + line.textLength() < laid.size();
        if (int(lines.size()) == maxLines - 1 && more) {
            lines << elideTail(lineText, laid.mid(line.textStart()), font, width);
            break;
        }
        lines << trimmedEnd(lineText);
    }
    layout.endLayout();
    return lines;
}

TextLabel::TextLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
}

void TextLabel::setMaxLines(int lines) {
    maxLines_ = std::max(1, lines);
    update();
}

void TextLabel::setElides(bool elides) {
    elides_ = elides;
    update();
}

void TextLabel::setBackground(const QColor& color, double radius) {
    background_ = color;
    radius_ = radius;
    update();
}

QStringList TextLabel::shownLines() const {
    const double width = contentsRect().width();
    if (laidWidth_ != width || laidMaxLines_ != maxLines_ || laidElides_ != elides_ ||
        laidText_ != text() || laidFont_ != font()) {
        laidText_ = text();
        laidFont_ = font();
        laidWidth_ = width;
        laidMaxLines_ = maxLines_;
        laidElides_ = elides_;
        if (!elides_ && maxLines_ == 1)
            laidLines_ = laidText_.isEmpty() ? QStringList() : QStringList{laidText_};
        else
            laidLines_ = labelLines(laidText_, laidFont_, width, maxLines_);
    }
    return laidLines_;
}

void TextLabel::paintEvent(QPaintEvent*) {
    // Drawn once into a pixmap and then copied: over playing video the bars
    // repaint with every frame, and shaping the text each time is the cost.
    const qreal dpr = devicePixelRatioF();
    const QStringList lines = shownLines();
    const QColor color = palette().color(QPalette::WindowText);
    if (rendered_.isNull() || renderedDpr_ != dpr || renderedSize_ != size() ||
        renderedLines_ != lines || renderedFont_ != font() || renderedColor_ != color ||
        renderedBackground_ != background_ || renderedRadius_ != radius_ ||
        renderedAlignment_ != alignment()) {
        renderedDpr_ = dpr;
        renderedSize_ = size();
        renderedLines_ = lines;
        renderedFont_ = font();
        renderedColor_ = color;
        renderedBackground_ = background_;
        renderedRadius_ = radius_;
        renderedAlignment_ = alignment();
        rendered_ = QPixmap((QSizeF(size()) * dpr).toSize());
        rendered_.setDevicePixelRatio(dpr);
        rendered_.fill(Qt::transparent);
        QPainter painter(&rendered_);
        renderInto(painter, lines, color);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, rendered_);
}

void TextLabel::renderInto(QPainter& painter, const QStringList& lines, const QColor& color) const {
    if (background_.alpha() > 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(background_);
        painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
    }
    if (lines.isEmpty())
        return;
    const QRectF box = contentsRect();
    const QFontMetricsF metrics(font());
    const double lineHeight = metrics.lineSpacing();
    const double total = lineHeight * lines.size();
    const Qt::Alignment align = alignment();
    double y = box.top();
    if (align & Qt::AlignVCenter)
        y += (box.height() - total) / 2;
    else if (align & Qt::AlignBottom)
        y += box.height() - total;
    const int horizontal = int(align & (Qt::AlignHorizontal_Mask)) | Qt::AlignAbsolute;
    painter.setFont(font());
    painter.setPen(color);
    for (const QString& line : lines) {
        // Each line in its own reading direction, so that a Persian line starts
        // at its right end and a mixed one orders its words as it should.
        painter.setLayoutDirection(line.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        painter.drawText(QRectF(box.left(), y, box.width(), lineHeight),
                         horizontal | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += lineHeight;
    }
}

} // namespace velmo
