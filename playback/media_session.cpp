#include "playback/media_session.h"

#include "common/lasting_state.h"
#include "common/numbers.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {
// A start time at or below this is not applied: playback starts at the beginning.
constexpr double kStartTimeThreshold = 1.5;
// How far short of a known duration an end may come and still be the end.
constexpr double kEndTolerance = 1.0;
// How far the clock must move from its first report for a media to count as
// played (a start time alone makes the engine report it once).
constexpr double kPlayedAdvance = 0.25;
} // namespace

MediaSession::MediaSession(const LastingState& lasting, Scheduler schedule, double startAt,
                           bool live, QObject* parent)
    : QObject(parent), lasting_(lasting), schedule_(std::move(schedule)), startAt_(startAt),
      live_(live), steps_(std::make_unique<QObject>()) {
    // Until the engine's clock moves, the position is where playback will
    // start: the start time when one is applied, else the beginning.
    state_.position = startAt > kStartTimeThreshold ? startAt : 0;
    connectEvents();
}

MediaSession::~MediaSession() {
    end();
}

void MediaSession::schedule(int ms, std::function<void()> step) {
    if (steps_)
        schedule_(steps_.get(), ms, std::move(step));
}

bool MediaSession::start(std::unique_ptr<MediaPlayer> player, VideoSink* sink) {
    player_ = std::move(player);
    player_->attachVideo(sink);
    player_->setVolume(enginePercent(lasting_.volume()));
    player_->setRate(lasting_.rate());
    player_->attachEvents();
    if (player_->play() != 0)
        return false;
    state_.showsPause = true;
    emit changed();

    if (startAt_ > kStartTimeThreshold) {
        // The start-time option lands on a key frame before the time; the seek
        // puts playback where it was asked to be.
        const std::int64_t ms = truncToInt64(startAt_ * 1000.0);
        schedule(delay::kReseekAfterStart, [this, ms] { player_->setTime(ms); });
    }
    schedule(delay::kTrackReactivation, [this] { emit reactivationDue(); });
    return true;
}

void MediaSession::end() {
    if (ended_)
        return;
    ended_ = true;
    events_.blockSignals(true);
    steps_.reset();
    player_.reset();
}

void MediaSession::connectEvents() {
    connect(&events_, &PlayerEvents::buffering, this, [this](int percent) {
        state_.spinning = percent <= 99;
        emit changed();
    });
    connect(&events_, &PlayerEvents::playing, this, &MediaSession::onPlaying);
    connect(&events_, &PlayerEvents::paused, this, [this] {
        state_.paused = true;
        state_.showsPause = false;
        emit changed();
        emit pausedByEngine();
    });
    connect(&events_, &PlayerEvents::stopped, this, [this] {
        if (closing_)
            return;
        state_.showsPause = false; // the pause flag stays as it was
        emit changed();
    });
    connect(&events_, &PlayerEvents::endReached, this, &MediaSession::onEndReached);
    connect(&events_, &PlayerEvents::errorOccurred, this, [this] { emit engineFailed(); });
    connect(&events_, &PlayerEvents::timeChanged, this, &MediaSession::onTime);
    connect(&events_, &PlayerEvents::lengthChanged, this, &MediaSession::onLength);
    connect(&events_, &PlayerEvents::videoOutputs, this, [this](int count) {
        if (count < 1)
            return;
        played_ = true;
        state_.loading = false;
        state_.spinning = false;
        emit changed();
        schedule(delay::kMenusAfterVideo, [this] { emit tracksMayHaveChanged(); });
    });
    connect(&events_, &PlayerEvents::tracksChanged, this, [this] {
        schedule(delay::kMenusAfterTracks, [this] { emit tracksMayHaveChanged(); });
    });
}

void MediaSession::onPlaying() {
    state_.paused = false;
    state_.loading = false;
    state_.spinning = false;
    state_.showsPause = true;
    // The engine may have dropped what it was given while it was opening.
    player_->setVolume(enginePercent(lasting_.volume()));
    player_->setRate(lasting_.rate());
    emit changed();
    schedule(delay::kMenusAfterPlaying, [this] { emit startupSettled(); });
}

void MediaSession::onTime() {
    if (state_.ended)
        return; // the position stays at the end that "ended" reported
    const double seconds = static_cast<double>(player_->time()) / 1000.0;
    if (firstTime_ < 0)
        firstTime_ = seconds;
    else if (std::abs(seconds - firstTime_) >= kPlayedAdvance)
        played_ = true;
    state_.position = seconds;
    emit clockMoved();
}

void MediaSession::onLength() {
    state_.duration = static_cast<double>(player_->length()) / 1000.0;
    state_.lengthKnown = true;
    emit changed();
}

void MediaSession::onEndReached() {
    if (state_.ended)
        return;
    // The engine says "end" whenever its input dries up: a connection that died
    // for good, or a file it could not read, ends the same way as a media
    // played to its last second. Only the latter is the end.
    double at = state_.position;
    if (const std::int64_t ms = player_->time(); ms > 0)
        at = std::max(at, static_cast<double>(ms) / 1000.0);
    const bool durationKnown = !live_ && state_.duration > 0;
    const bool atTheEnd = !durationKnown || at >= state_.duration - kEndTolerance;
    if (!played_ || !atTheEnd) {
        emit endedEarly(at);
        return;
    }
    state_.ended = true;
    state_.position = state_.duration;
    emit changed();
    emit endedAtEnd();
    schedule(delay::kCloseAfterEnd, [this] { emit closeDue(); });
}

void MediaSession::setPaused(bool paused) {
    player_->setPause(paused);
    state_.paused = paused;
    state_.showsPause = !paused;
    emit changed();
}

void MediaSession::refreshClock() {
    if (state_.ended || !player_)
        return;
    if (const std::int64_t ms = player_->time(); ms > 0)
        state_.position = static_cast<double>(ms) / 1000.0;
    if (const std::int64_t ms = player_->length(); ms > 0)
        state_.duration = static_cast<double>(ms) / 1000.0;
}

} // namespace velmo
