// Starting one URL: tear down the previous player, make the media and its
// player, connect video, volume, speed and events, and play.

#include "common/numbers.h"
#include "host/controller.h"
#include "protocol/fields.h"
#include "common/texts.h"
#include "ui/spinner.h"
#include "ui/video_view.h"

#include <QLabel>

namespace velmo {

namespace {
const QString kUserAgent =
    QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, "
                   "like Gecko) Version/17.0 Safari/605.1.15");
} // namespace

void VelmoPlayerApp::playCurrentURL(const QString& url, double startAt) {
    if (url.isEmpty()) {
        failWith(text::kErrEmptyUrl());
        return;
    }
    if (!vlc && !createEngine())
        return; // reachable through the quality menu after a failed engine start

    errorLabel->hide();
    loadingLabel->show();
    spinner->show();
    spinner->startAnimation();

    if (player) {
        player->stop();
        player.reset();
    }
    duration = 0;
    // Until the engine's clock moves, report where playback will start: the
    // start time when one is applied (above 1.5 s), else the beginning.
    position = startAt > 1.5 ? startAt : 0;
    paused = false;
    ended = false;

    const std::shared_ptr<SubtitleTrack> track = activeTrack;
    if (!track)
        updateSubtitleCue();

    QStringList options;
    if (startAt > 1.5)
        options << QStringLiteral(":start-time=%1").arg(truncToInt64(startAt));
    options << QStringLiteral(":http-user-agent=%1").arg(kUserAgent);

    Engine::OpenError error = Engine::OpenError::None;
    player = vlc->open(url, options, &error);
    if (!player) {
        failWith(error == Engine::OpenError::NoMedia ? text::kErrNoMedia() : text::kErrNoPlayer());
        return;
    }
    player->attachVideo(video != nullptr ? video->sink() : nullptr);
    player->setVolume(roundToInt(double(volume) * 100.0));
    player->setRate(rate);
    player->attachEvents();

    if (player->play() != 0) {
        failWith(text::kErrPlayRefused());
        return;
    }
    setPlaySymbol(QStringLiteral("pause.fill"));
    updateCenterButton();

    if (startAt > 1.5) {
        const std::int64_t ms = truncToInt64(startAt * 1000.0);
        scheduleAfter(900, [this, ms] {
            if (player)
                player->setTime(ms);
        });
    }
    if (track) {
        scheduleAfter(1100, [this, track] { activateTrack(track); });
    }
}

} // namespace velmo
