#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace velmo {

// A button that shows only a symbol: the SVG artwork of that name, tinted, drawn
// at the symbol's point size and scaled proportionally to fit the button. It
// never takes the keyboard focus, so shortcuts keep working after a click.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    IconButton(const QString& symbol, const QString& tooltip, double pointSize,
               QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    double pointSize() const { return pointSize_; }
    void setSymbol(const QString& symbol, double pointSize);
    void setSymbol(const QString& symbol) { setSymbol(symbol, pointSize_); }
    void setTint(const QColor& tint);
    QColor tint() const { return tint_; }

    QSize sizeHint() const override;

    // How many times the artwork was drawn; for tests.
    int drawings() const { return drawings_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    double pointSize_;
    QColor tint_ = QColor::fromRgbF(0.94f, 0.94f, 0.94f);
    QPixmap cache_;
    double cacheSide_ = 0;
    qreal cacheDpr_ = 0;
    int drawings_ = 0;
};

// The tinted artwork of a symbol as a pixmap `logicalSize` wide and high at the
// given device pixel ratio; a null pixmap for an unknown symbol.
QPixmap symbolPixmap(const QString& symbol, const QSizeF& logicalSize, const QColor& tint,
                     qreal devicePixelRatio);

} // namespace velmo
