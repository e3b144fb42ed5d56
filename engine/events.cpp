// What the engine reports, turned into playback flags, status views and
// events for the parent; and the one failure path.

#include "common/numbers.h"
#include "host/controller.h"
#include "protocol/fields.h"
#include "common/texts.h"
#include "ui/spinner.h"

#include <QLabel>

namespace velmo {

void VelmoPlayerApp::vlcEvent(std::uint64_t serial, int type, int data) {
    // Events of a player that has been replaced or released are dropped: a late
    // end, error or stop of the old source must not act on the new one.
    if (!player || serial != player->serial())
        return;
    switch (type) {
    case EngineEvent::Buffering:
        if (data > 99) {
            spinner->hide();
            spinner->stopAnimation();
        } else {
            spinner->show();
            spinner->startAnimation();
        }
        break;
    case EngineEvent::Playing:
        paused = false;
        hideLoading();
        setPlaySymbol(QStringLiteral("pause.fill"));
        updateCenterButton();
        player->setVolume(roundToInt(double(volume) * 100.0));
        player->setRate(rate);
        scheduleAfter(600, [this] { runStartupMenuAction(); });
        break;
    case EngineEvent::Paused:
        paused = true;
        setPlaySymbol(QStringLiteral("play.fill"));
        updateCenterButton();
        showControls();
        break;
    case EngineEvent::Stopped:
        if (closing)
            break;
        setPlaySymbol(QStringLiteral("play.fill"));
        updateCenterButton();
        break;
    case EngineEvent::EndReached:
        if (ended)
            break;
        ended = true;
        position = duration;
        events.ended(duration, duration);
        scheduleAfter(700, [this] { closeWindow(); });
        break;
    case EngineEvent::EncounteredError:
        failWith(text::kErrPlayback());
        break;
    case EngineEvent::TimeChanged:
        position = static_cast<double>(player->time()) / 1000.0;
        if (seeking || ended)
            break;
        updatePositionUI();
        break;
    case EngineEvent::LengthChanged:
        duration = static_cast<double>(player->length()) / 1000.0;
        refreshDurationUI();
        break;
    case EngineEvent::Vout:
        if (data < 1)
            break;
        hideLoading();
        scheduleMenuRebuild(800);
        break;
    case EngineEvent::ESAdded:
    case EngineEvent::ESDeleted:
        scheduleMenuRebuild(500);
        break;
    default:
        break;
    }
}

void VelmoPlayerApp::scheduleMenuRebuild(int ms) {
    scheduleAfter(ms, [this] {
        rebuildSubtitleMenu();
        rebuildAudioMenu();
    });
}

void VelmoPlayerApp::runStartupMenuAction() {
    rebuildSubtitleMenu();
    rebuildAudioMenu();
    autoLoadFirstSubtitle();
}

void VelmoPlayerApp::autoLoadFirstSubtitle() {
    // Once in the life of the process, and only when it can happen: an attempt
    // without wanted subtitles or without tracks is not used up.
    if (autoSubtitleTried || !subtitleEnabled || subtitles.isEmpty())
        return;
    autoSubtitleTried = true;
    loadExternalSubtitle(subtitles.first());
}

void VelmoPlayerApp::hideLoading() {
    loadingLabel->hide();
    spinner->hide();
    spinner->stopAnimation();
}

void VelmoPlayerApp::failWith(const QString& message) {
    hideLoading();
    errorLabel->setText(message);
    errorLabel->show();
    errorLabel->raise();
    events.error(message);
}

} // namespace velmo
