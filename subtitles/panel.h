#pragma once

// The style panel: a small dark popup under (or over) the gear of the top bar in
// which the user edits the subtitle style. It keeps no copy of the style: it
// reads the subtitle part's and hands each edit back to it, which applies and
// reports it.

#include <QAbstractButton>
#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QRect>
#include <QSlider>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace velmo {

class SubtitleController;
struct SubtitleStyle;

// A horizontal slider over a continuous range: QSlider counts in integers, so it
// runs over the range times `scale` and reports value / scale. Values outside
// the range show at the nearest end.
class ScaledSlider : public QSlider {
    Q_OBJECT

public:
    ScaledSlider(double minimum, double maximum, int scale, QWidget* parent = nullptr);

    double valueF() const { return value() / double(scale_); }
    void setValueF(double value);

signals:
    void valueChangedF(double value);

private:
    int scale_;
};

// A button that shows its colour; clicking it is the caller's business.
class ColorWell : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

    QSize sizeHint() const override { return {46, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::white;
};

// Where the panel goes for an anchor (global coordinates): its lower edge on the
// anchor's top, centred on the anchor; below the anchor when there is no room
// above within `bounds`; always moved inside `bounds` as far as it fits.
QRect stylePanelFrame(const QRect& anchor, const QSize& panel, const QRect& bounds);

class StylePanelController : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 362;
    static constexpr int kHeight = 330;

    // The panel does nothing once `subtitles` is gone.
    explicit StylePanelController(SubtitleController* subtitles, QWidget* parent = nullptr);

    QComboBox* fontPopup = nullptr;
    ScaledSlider* sizeSlider = nullptr;
    QLabel* sizeLabel = nullptr;
    ColorWell* textWell = nullptr;
    ColorWell* boxWell = nullptr;
    ScaledSlider* opacitySlider = nullptr;
    QLabel* opacityLabel = nullptr;
    QPushButton* resetButton = nullptr;

    void buildUI();
    // Sets every control from the controller's settings without their change
    // handlers running, then the labels.
    void syncFromPlayer();
    void syncLabels();

    void fontChanged(int index);
    void sizeChanged(double value);
    void colorChanged(ColorWell* sender);
    void opacityChanged(double value);
    void resetStyle();

    // Shows the panel next to `anchor` (see stylePanelFrame).
    void popUp(QWidget* anchor);
    // The colour dialog a well opened and that is still up; null otherwise.
    QColorDialog* colorDialog() const { return colorDialog_; }
    // The panel is open, or one of its colour dialogs is.
    bool editing() const { return isVisible() || colorDialog_ != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* row(const QString& title, QWidget* control, int width);
    // Applies `change` to the style in force and hands it back as the user's edit.
    void edit(const std::function<void(SubtitleStyle&)>& change);
    void pickColor(ColorWell* well);

    QPointer<SubtitleController> subtitles_;
    QPointer<QColorDialog> colorDialog_;
    QPointer<QWidget> anchor_;
};

} // namespace velmo
