// The style panel: the popup in which the user edits the subtitle style.

#include "subtitles/panel.h"

#include "common/texts.h"
#include "subtitles/colors.h"
#include "subtitles/font_lookup.h"
#include "subtitles/subtitle_controller.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace velmo {

namespace {

constexpr int kInset = 16;
constexpr int kRowWidth = StylePanelController::kWidth - 2 * kInset;
constexpr int kTitleWidth = 112;

// Absolute: Qt would otherwise mirror the alignment of a right-to-left text,
// putting the Persian titles on the left.
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter;

// The dark appearance's label colours.
const QColor kLabelColor = QColor::fromRgbF(1, 1, 1, 0.85f);
const QColor kSecondaryLabelColor = QColor::fromRgbF(1, 1, 1, 0.55f);

// Sizes are logical pixels, as the panel's own geometry is: in points the titles
// would outgrow their 112-pixel column on a 96-dpi screen.
QFont panelFont(const QWidget* parent, int size) {
    QFont font = parent->font();
    font.setPixelSize(size);
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& text, const QColor& color, bool semibold,
                  int size) {
    auto* label = new QLabel(text, parent);
    QFont font = panelFont(parent, size);
    font.setWeight(semibold ? QFont::DemiBold : QFont::Normal);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

// "%d" of a value rounded half away from zero, for any double a command may
// have stored (a cast to int would overflow past ±2^31).
QString roundedText(double value) {
    return QString::number(std::round(value) + 0.0, 'f', 0); // + 0.0: no "-0"
}

QPalette darkPalette(QPalette p) {
    const QColor window = QColor::fromRgbF(0.16f, 0.16f, 0.17f);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, kLabelColor);
    p.setColor(QPalette::Base, QColor::fromRgbF(0.11f, 0.11f, 0.12f));
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor::fromRgbF(0.27f, 0.27f, 0.28f));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Highlight, QColor::fromRgbF(0.04f, 0.52f, 1.0f));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::PlaceholderText, kSecondaryLabelColor);
    p.setColor(QPalette::Light, QColor::fromRgbF(0.36f, 0.36f, 0.37f));
    p.setColor(QPalette::Midlight, QColor::fromRgbF(0.3f, 0.3f, 0.31f));
    p.setColor(QPalette::Mid, QColor::fromRgbF(0.2f, 0.2f, 0.21f));
    p.setColor(QPalette::Dark, QColor::fromRgbF(0.08f, 0.08f, 0.09f));
    p.setColor(QPalette::Shadow, Qt::black);
    return p;
}

} // namespace

ScaledSlider::ScaledSlider(double minimum, double maximum, int scale, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), scale_(scale) {
    setRange(int(std::lround(minimum * scale)), int(std::lround(maximum * scale)));
    setTickPosition(QSlider::NoTicks);
    setTracking(true); // report while dragged, not only on release
    connect(this, &QSlider::valueChanged, this,
            [this](int value) { emit valueChangedF(value / double(scale_)); });
}

void ScaledSlider::setValueF(double value) {
    const double scaled = std::round(value * scale_);
    // NaN and infinities land on an end like any other value outside the range.
    if (!(scaled > minimum()))
        setValue(minimum());
    else if (!(scaled < maximum()))
        setValue(maximum());
    else
        setValue(int(scaled));
}

ColorWell::ColorWell(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ColorWell::setColor(const QColor& color) {
    if (color_ == color)
        return;
    color_ = color;
    update();
}

void ColorWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, isDown() ? 0.6f : 0.3f), 1));
    painter.setBrush(QColor::fromRgbF(0.22f, 0.22f, 0.23f));
    painter.drawRoundedRect(frame, 5, 5);
    // An outline around the colour keeps black visible on the dark panel.
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.25f), 1));
    painter.setBrush(color_);
    painter.drawRoundedRect(frame.adjusted(4, 4, -4, -4), 3, 3);
}

QRect stylePanelFrame(const QRect& anchor, const QSize& panel, const QRect& bounds) {
    QRect frame(
        QPoint(anchor.x() + (anchor.width() - panel.width()) / 2, anchor.y() - panel.height()),
        panel);
    if (!bounds.isValid())
        return frame;
    // The gear sits at the top of the window: in fullscreen nothing is above it.
    if (frame.top() < bounds.top())
        frame.moveTop(anchor.y() + anchor.height());
    if (frame.right() > bounds.right())
        frame.moveRight(bounds.right());
    if (frame.left() < bounds.left())
        frame.moveLeft(bounds.left());
    if (frame.bottom() > bounds.bottom())
        frame.moveBottom(bounds.bottom());
    if (frame.top() < bounds.top())
        frame.moveTop(bounds.top());
    return frame;
}

StylePanelController::StylePanelController(SubtitleController* subtitles, QWidget* parent)
    : QWidget(parent, Qt::Popup), subtitles_(subtitles) {
    setFixedSize(kWidth, kHeight);
    setPalette(darkPalette(palette()));
    setAutoFillBackground(true);
    // The labels are Persian with zero-width non-joiners; the bundled Persian
    // font shapes them when the system font would not.
    QFont base = font();
    base.setFamilies({QStringLiteral("Vazirmatn"), base.family()});
    base.setPixelSize(13);
    setFont(base);
}

void StylePanelController::paintEvent(QPaintEvent*) {
    // A popup has no frame of its own; a faint edge sets it off from the picture.
    QPainter painter(this);
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.14f));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void StylePanelController::buildUI() {
    if (fontPopup != nullptr)
        return;
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(kInset, kInset, kInset, kInset);
    stack->setSpacing(10);

    QLabel* title = makeLabel(this, text::kStyleTitle(), kLabelColor, true, 13);
    title->setAlignment(kRight);
    title->setFixedWidth(kRowWidth);
    stack->addWidget(title, 0, Qt::AlignLeading);

    fontPopup = new QComboBox(this);
    fontPopup->addItems(fontChoices());
    fontPopup->setFixedHeight(26);
    // activated, not currentIndexChanged: choosing the item already shown (as
    // for an unknown font, shown as the first) is still the user's choice.
    connect(fontPopup, &QComboBox::activated, this, [this](int index) { fontChanged(index); });
    stack->addWidget(row(text::kStyleFont(), fontPopup, 180), 0, Qt::AlignLeading);

    // A slider row carries its value label between the space and the title.
    auto sliderRow = [this, &stack](const QString& title, ScaledSlider* slider, int step, int page,
                                    QLabel** value, int valueWidth) {
        slider->setSingleStep(step);
        slider->setPageStep(page);
        slider->setFixedHeight(22);
        QWidget* line = row(title, slider, 150);
        *value = makeLabel(this, QString(), kSecondaryLabelColor, false, 11);
        (*value)->setAlignment(kLeft);
        (*value)->setMinimumSize(valueWidth, 20);
        static_cast<QHBoxLayout*>(line->layout())->insertWidget(2, *value);
        stack->addWidget(line, 0, Qt::AlignLeading);
    };
    auto wellRow = [this, &stack](const QString& title, ColorWell** well) {
        *well = new ColorWell(this);
        (*well)->setFixedHeight(26);
        ColorWell* sender = *well;
        connect(sender, &ColorWell::clicked, this, [this, sender] { pickColor(sender); });
        stack->addWidget(row(title, sender, 46), 0, Qt::AlignLeading);
    };

    sizeSlider = new ScaledSlider(14, 56, 100, this);
    connect(sizeSlider, &ScaledSlider::valueChangedF, this,
            [this](double value) { sizeChanged(value); });
    sliderRow(text::kStyleSize(), sizeSlider, 100, 500, &sizeLabel, 40);
    wellRow(text::kStyleTextColor(), &textWell);
    wellRow(text::kStyleBoxColor(), &boxWell);
    opacitySlider = new ScaledSlider(0, 1, 1000, this);
    connect(opacitySlider, &ScaledSlider::valueChangedF, this,
            [this](double value) { opacityChanged(value); });
    sliderRow(text::kStyleBoxOpacity(), opacitySlider, 10, 100, &opacityLabel, 46);

    resetButton = new QPushButton(text::kStyleReset(), this);
    resetButton->setFont(panelFont(this, 12));
    resetButton->setAutoDefault(false);
    // The style's own margins leave the Persian title touching the bezel.
    resetButton->setMinimumWidth(resetButton->sizeHint().width() + 20);
    connect(resetButton, &QPushButton::clicked, this, [this] { resetStyle(); });
    stack->addWidget(resetButton, 0, Qt::AlignLeading);
    stack->addStretch(1);

    syncFromPlayer();
}

QWidget* StylePanelController::row(const QString& title, QWidget* control, int width) {
    auto* line = new QWidget(this);
    line->setFixedWidth(kRowWidth);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    QLabel* label = makeLabel(line, title, kLabelColor, false, 12);
    label->setAlignment(kRight);
    label->setFixedWidth(kTitleWidth);

    control->setParent(line);
    control->setFixedWidth(width);

    auto* space = new QWidget(line);
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    layout->addWidget(control, 0, Qt::AlignVCenter);
    layout->addWidget(space, 1);
    layout->addWidget(label, 0, Qt::AlignVCenter);
    return line;
}

void StylePanelController::syncFromPlayer() {
    if (!subtitles_ || fontPopup == nullptr)
        return;
    const SubtitleStyle& style = subtitles_->style();
    const QSignalBlocker blockFont(fontPopup);
    const QSignalBlocker blockSize(sizeSlider);
    const QSignalBlocker blockText(textWell);
    const QSignalBlocker blockBox(boxWell);
    const QSignalBlocker blockOpacity(opacitySlider);

    // An unknown font shows as the first choice; the setting stays as it is
    // until the user picks one.
    int index = 0;
    const QStringList& choices = fontChoices();
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices.at(i).compare(style.font, Qt::CaseInsensitive) == 0) {
            index = int(i);
            break;
        }
    }
    fontPopup->setCurrentIndex(index);
    sizeSlider->setValueF(style.size);
    textWell->setColor(style.textColor());
    boxWell->setColor(style.backgroundColor());
    opacitySlider->setValueF(style.backgroundOpacity);
    syncLabels();
}

void StylePanelController::syncLabels() {
    if (!subtitles_ || sizeLabel == nullptr)
        return;
    const SubtitleStyle& style = subtitles_->style();
    sizeLabel->setText(roundedText(style.size));
    opacityLabel->setText(roundedText(style.backgroundOpacity * 100) + u'%');
}

void StylePanelController::edit(const std::function<void(SubtitleStyle&)>& change) {
    if (!subtitles_)
        return;
    SubtitleStyle style = subtitles_->style();
    change(style);
    subtitles_->editStyle(style);
    syncLabels();
}

void StylePanelController::fontChanged(int index) {
    if (index < 0 || index >= fontPopup->count())
        return;
    const QString font = fontPopup->itemText(index);
    edit([&font](SubtitleStyle& style) { style.font = font; });
}

void StylePanelController::sizeChanged(double value) {
    edit([value](SubtitleStyle& style) { style.size = value; });
}

void StylePanelController::colorChanged(ColorWell* sender) {
    if (sender == nullptr)
        return;
    const QString hex = HexFromColor(sender->color());
    const bool text = sender == textWell;
    edit([&hex, text](SubtitleStyle& style) { (text ? style.color : style.background) = hex; });
}

void StylePanelController::opacityChanged(double value) {
    edit([value](SubtitleStyle& style) { style.backgroundOpacity = value; });
}

void StylePanelController::resetStyle() {
    if (!subtitles_)
        return;
    // The enabled flag is not a look: a disabled subtitle stays disabled.
    subtitles_->editStyle(SubtitleStyle());
    syncFromPlayer();
}

void StylePanelController::pickColor(ColorWell* well) {
    if (!subtitles_ || colorDialog_)
        return;
    // Cancelling puts back the text that was stored, not its colour written
    // anew: "#FFF" or an unreadable text stays exactly as the parent sent it.
    const bool text = well == textWell;
    const QString storedBefore = text ? subtitles_->style().color : subtitles_->style().background;
    const QColor shownBefore = well->color();

    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    auto* dialog = new QColorDialog(shownBefore, owner);
    // Qt's own dialog reports every colour while the user picks; platform
    // dialogs may report only the final one.
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(well == textWell ? text::kStyleTextColor() : text::kStyleBoxColor());
    colorDialog_ = dialog;

    QPointer<ColorWell> target(well);
    auto changed = std::make_shared<bool>(false);
    connect(dialog, &QColorDialog::currentColorChanged, this,
            [this, target, changed](const QColor& color) {
                if (!target || !color.isValid())
                    return;
                *changed = true;
                target->setColor(color);
                colorChanged(target);
            });
    connect(dialog, &QDialog::finished, this,
            [this, target, changed, storedBefore, shownBefore, text](int result) {
                colorDialog_ = nullptr;
                if (!subtitles_)
                    return;
                if (result != QDialog::Accepted && *changed && target) {
                    target->setColor(shownBefore);
                    edit([&storedBefore, text](SubtitleStyle& style) {
                        (text ? style.color : style.background) = storedBefore;
                    });
                }
                // Back to the panel, as it was before the dialog took its place.
                syncFromPlayer();
                popUp(anchor_);
            });
    // A popup closes at the first click outside it, which would be the first
    // click into the dialog; it steps aside and comes back when the dialog ends.
    hide();
    dialog->open();
}

void StylePanelController::popUp(QWidget* anchor) {
    if (anchor != nullptr) {
        anchor_ = anchor;
        const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        QRect bounds;
        if (QScreen* screen = anchor->screen())
            bounds = screen->availableGeometry();
        if (!bounds.isValid() && anchor->window() != nullptr)
            bounds = anchor->window()->frameGeometry();
        setGeometry(stylePanelFrame(anchorRect, size(), bounds));
    }
    show();
    raise();
}

} // namespace velmo
