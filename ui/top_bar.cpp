#include "ui/top_bar.h"

#include "common/texts.h"
#include "ui/icon_button.h"
#include "ui/layout.h"
#include "ui/menu_chip.h"
#include "ui/text_label.h"
#include "ui/widget_factory.h"

namespace velmo {

namespace {

IconButton* button(QWidget* parent, const char* name, const QString& symbol,
                   const QString& tooltip, double size) {
    auto* b = new IconButton(symbol, tooltip, size, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

// Absolute: Qt would otherwise mirror the alignment of a right-to-left title.
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter;

} // namespace

TopBar::TopBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("topBar"));
    resize(100, kHeight);
    paintAsBar(this);

    close_ = button(this, "closeButton", QStringLiteral("xmark"), text::kTipClose(), 13);
    connect(close_, &IconButton::clicked, this, &TopBar::closeClicked);
    title_ = makeLabel(this, QString(), Qt::white, true, 13);
    title_->setObjectName(QStringLiteral("titleLabel"));
    title_->setAlignment(kLeft);
    title_->setMaxLines(1);
    second_ = makeLabel(this, QString(), QColor::fromRgbF(0.7f, 0.7f, 0.7f), false, 11);
    second_->setObjectName(QStringLiteral("subtitleLabel"));
    second_->setAlignment(kLeft);
    second_->setMaxLines(1);
    quality_ = makeChip(text::kQuality(), this);
    quality_->setObjectName(QStringLiteral("qualityChip"));
    audio_ = makeChip(text::kAudio(), this);
    audio_->setObjectName(QStringLiteral("audioChip"));
    subtitle_ = makeChip(text::kSubtitle(), this);
    subtitle_->setObjectName(QStringLiteral("subtitleChip"));
    style_ = button(this, "settingsButton", QStringLiteral("gearshape.fill"), text::kStyleTitle(),
                    15);
    connect(style_, &IconButton::clicked, this, &TopBar::styleClicked);
    fullscreen_ = button(this, "fullscreenButton",
                         QStringLiteral("arrow.up.left.and.arrow.down.right"), text::kFullscreen(),
                         14);
    connect(fullscreen_, &IconButton::clicked, this, &TopBar::fullscreenClicked);
}

QWidget* TopBar::styleButton() const {
    return style_;
}

void TopBar::setTitles(const QString& title, const QString& subtitle) {
    title_->setText(title);
    second_->setText(subtitle);
}

void TopBar::showFullscreen(bool fullscreen) {
    fullscreen_->setSymbol(fullscreen ? QStringLiteral("arrow.down.right.and.arrow.up.left")
                                      : QStringLiteral("arrow.up.left.and.arrow.down.right"),
                           14);
}

void TopBar::place(const WindowFrames& f) {
    close_->setGeometry(pixelGeometry(f.closeButton));
    fullscreen_->setGeometry(pixelGeometry(f.fullscreenButton));
    style_->setGeometry(pixelGeometry(f.settingsButton));
    subtitle_->setGeometry(pixelGeometry(f.subtitlePopup));
    audio_->setGeometry(pixelGeometry(f.audioPopup));
    quality_->setGeometry(pixelGeometry(f.qualityPopup));
    title_->setGeometry(pixelGeometry(f.titleLabel));
    second_->setGeometry(pixelGeometry(f.subtitleLabel));
}

} // namespace velmo
