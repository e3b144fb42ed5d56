#include "ui/bottom_bar.h"

#include "common/numbers.h"
#include "common/texts.h"
#include "ui/cached_slider.h"
#include "ui/clock.h"
#include "ui/fonts.h"
#include "ui/icon_button.h"
#include "ui/layout.h"
#include "ui/menu_chip.h"
#include "ui/text_label.h"
#include "ui/velmo_slider.h"
#include "ui/widget_factory.h"

#include <QTimer>

#include <algorithm>

namespace velmo {

namespace {

IconButton* button(QWidget* parent, const char* name, const QString& symbol,
                   const QString& tooltip, double size) {
    auto* b = new IconButton(symbol, tooltip, size, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QString volumeSymbol(float volume) {
    if (double(volume) < 0.001)
        return QStringLiteral("speaker.slash.fill");
    if (double(volume) < 0.4)
        return QStringLiteral("speaker.wave.1.fill");
    return QStringLiteral("speaker.wave.2.fill");
}

} // namespace

BottomBar::BottomBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("bottomBar"));
    resize(100, kHeight);
    paintAsBar(this);

    play_ = button(this, "playButton", QStringLiteral("play.fill"), text::kTipPlay(), 19);
    connect(play_, &IconButton::clicked, this, &BottomBar::playClicked);
    back_ = button(this, "skipBackButton", QStringLiteral("gobackward.10"), text::kTipSkipBack(), 16);
    connect(back_, &IconButton::clicked, this, [this] { emit skipClicked(-kSkipSeconds); });
    forward_ = button(this, "skipForwardButton", QStringLiteral("goforward.10"),
                      text::kTipSkipForward(), 16);
    connect(forward_, &IconButton::clicked, this, [this] { emit skipClicked(kSkipSeconds); });

    const QColor timeColor = QColor::fromRgbF(0.85f, 0.85f, 0.85f);
    // Digits of one width, so that the clock text keeps still as it counts.
    const QFont timeFont = clockFont(11.5, QFont::Medium);
    current_ = makeLabel(this, QStringLiteral("00:00"), timeColor, false, 11.5);
    current_->setObjectName(QStringLiteral("currentLabel"));
    current_->setFont(timeFont);
    position_ = new VelmoSlider(this);
    position_->setObjectName(QStringLiteral("positionSlider"));
    connect(position_, &VelmoSlider::userMoved, this, [this] {
        const double v = position_->valueSeconds();
        current_->setText(FormatClock(v)); // the time follows the knob
        emit positionDragged(v, position_->dragging());
    });
    duration_ = makeLabel(this, QStringLiteral("00:00"), timeColor, false, 11.5);
    duration_->setObjectName(QStringLiteral("durationLabel"));
    duration_->setFont(timeFont);
    live_ = makeLabel(this, text::kLiveBadge(), QColor::fromRgbF(1.0f, 0.36f, 0.32f), true, 10.5);
    live_->setObjectName(QStringLiteral("liveBadge"));
    live_->setBackground(QColor::fromRgbF(0, 0, 0, 0.5f), 4);
    live_->hide();

    mute_ = button(this, "volumeButton", QStringLiteral("speaker.wave.2.fill"), text::kTipMute(), 13);
    connect(mute_, &IconButton::clicked, this, &BottomBar::muteClicked);
    volume_ = new CachedSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("volumeSlider"));
    volume_->setRange(0, 100);
    volume_->setValue(100);
    volume_->setFocusPolicy(Qt::NoFocus);
    connect(volume_, &QSlider::sliderMoved, this, [this] { volumeSliderMoved(); });
    connect(volume_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, [this] { volumeSliderMoved(); });
    });

    rate_ = makeChip(text::kRate(), this);
    rate_->setObjectName(QStringLiteral("rateChip"));
}

bool BottomBar::dragging() const {
    return position_->dragging();
}

void BottomBar::volumeSliderMoved() {
    emit volumeMoved(volume_->value() / 100.0);
}

void BottomBar::showPlayback(const PlaybackState& s) {
    play_->setSymbol(s.showsPause ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"), 19);
    // The timeline shows from the start until the engine reports a length
    // that has none (live media, or a second or less).
    const bool timeline = !s.lengthKnown || s.hasTimeline();
    position_->setVisible(timeline);
    duration_->setVisible(timeline);
    current_->setVisible(timeline);
    live_->setVisible(!timeline);
    if (!timeline)
        return;
    if (s.duration > 0 && !s.live && position_->maximumSeconds() != s.duration) {
        position_->setMaximumSeconds(s.duration);
        duration_->setText(FormatClock(s.duration));
    }
    // During a drag the knob and the time belong to the user.
    if (position_->dragging())
        return;
    position_->setValueSeconds(std::min(s.position, position_->maximumSeconds()));
    current_->setText(FormatClock(s.position));
}

void BottomBar::showVolume(float volume) {
    {
        const QSignalBlocker quiet(volume_);
        volume_->setValue(enginePercent(volume));
    }
    mute_->setSymbol(volumeSymbol(volume), 13);
}

void BottomBar::place(const WindowFrames& f) {
    play_->setGeometry(pixelGeometry(f.playButton));
    back_->setGeometry(pixelGeometry(f.skipBackButton));
    forward_->setGeometry(pixelGeometry(f.skipForwardButton));
    current_->setGeometry(pixelGeometry(f.currentLabel));
    rate_->setGeometry(pixelGeometry(f.ratePopup));
    volume_->setGeometry(pixelGeometry(f.volumeSlider));
    mute_->setGeometry(pixelGeometry(f.volumeButton));
    duration_->setGeometry(pixelGeometry(f.durationLabel));
    position_->setGeometry(pixelGeometry(f.positionSlider));
    live_->setGeometry(pixelGeometry(f.liveBadge));
}

} // namespace velmo
