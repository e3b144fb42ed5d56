// Pause, seek, skip, volume, mute and speed, shared by the commands, the
// buttons and sliders, and the keys.

#include "common/numbers.h"
#include "host/controller.h"
#include "protocol/fields.h"
#include "common/texts.h"
#include "ui/clock.h"
#include "ui/icon_button.h"
#include "ui/velmo_slider.h"

#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {
constexpr double kSkipStep = 10.0;
constexpr double kEndMargin = 0.2; // a seek never goes closer to the end than this
} // namespace

void VelmoPlayerApp::togglePlay() {
    if (!player)
        return;
    if (ended) {
        // Play again from the start; `ended` stays until a URL starts.
        seekTo(0);
        setPaused(false);
        return;
    }
    setPaused(!paused);
}

void VelmoPlayerApp::setPaused(bool p) {
    if (!player)
        return;
    player->setPause(p);
    paused = p;
    setPlaySymbol(p ? QStringLiteral("play.fill") : QStringLiteral("pause.fill"));
    updateCenterButton();
    if (p)
        showControls();
    else
        mouseActivity();
    emitProgress();
}

void VelmoPlayerApp::seekTo(double x) {
    if (!player)
        return;
    if (duration > 0)
        x = std::min(x, duration - kEndMargin);
    x = std::max(x, 0.0);
    player->setTime(truncToInt64(x * 1000.0));
    position = x;
    updatePositionUI();
}

void VelmoPlayerApp::skipBack() {
    seekTo(position - kSkipStep);
    showControls();
}

void VelmoPlayerApp::skipForward() {
    seekTo(position + kSkipStep);
    showControls();
}

void VelmoPlayerApp::positionChanged() {
    seeking = positionSlider->dragging();
    const double v = positionSlider->valueSeconds();
    currentLabel->setText(FormatClock(v));
    seekTo(v);
}

void VelmoPlayerApp::applyVolume(double v) {
    // NaN cannot come from JSON, but keep it out of the float all the same.
    volume = std::isnan(v) ? 0.0f : static_cast<float>(std::clamp(v, 0.0, 1.0));
    if (double(volume) > 0.001)
        lastVolume = volume;
    if (player)
        player->setVolume(roundToInt(double(volume) * 100.0));
    {
        const QSignalBlocker quiet(volumeSlider);
        volumeSlider->setValue(roundToInt(double(volume) * 100.0));
    }
    updateVolumeIcon();
    emitSettings();
}

void VelmoPlayerApp::volumeChanged() {
    applyVolume(volumeSlider->value() / 100.0);
}

void VelmoPlayerApp::toggleMute() {
    if (double(volume) > 0.001) {
        lastVolume = volume;
        applyVolume(0);
    } else {
        applyVolume(double(lastVolume) > 0.01 ? double(lastVolume) : 1.0);
    }
}

void VelmoPlayerApp::updateVolumeIcon() {
    QString symbol = QStringLiteral("speaker.wave.2.fill");
    if (double(volume) < 0.001)
        symbol = QStringLiteral("speaker.slash.fill");
    else if (double(volume) < 0.4)
        symbol = QStringLiteral("speaker.wave.1.fill");
    volumeButton->setSymbol(symbol, 13);
}

void VelmoPlayerApp::applyRate(double r) {
    rate = std::isnan(r) ? 1.0f : static_cast<float>(std::clamp(r, 0.25, 3.0));
    if (player)
        player->setRate(rate);
    rebuildRateMenu();
    emitSettings();
    showToast(text::kRateToast().arg(rateTitle(rate)));
}

} // namespace velmo
