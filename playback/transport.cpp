// Pause, seek, skip, volume, mute and speed, and the choice of source and audio
// track: shared by the commands, the buttons, the sliders, the menus and the
// keys.

#include "common/numbers.h"
#include "common/texts.h"
#include "playback/media_session.h"
#include "playback/playback.h"

#include <algorithm>

namespace velmo {

namespace {
// A seek never goes closer to the end than this.
constexpr double kEndMargin = 0.2;
} // namespace

void Playback::setPaused(bool paused) {
    if (!hasPlayer())
        return;
    session_->setPaused(paused);
    updateState();
    emit controlsWanted();
    emit pauseApplied();
}

void Playback::togglePlay() {
    if (!hasPlayer())
        return;
    if (state_.ended) {
        // Played to its end: play it again from the start. The player the
        // engine ended is done; a new start also ends the wait for the close.
        earlyEnds_ = 0;
        playURL(url_, 0);
        emit controlsWanted();
        emit pauseApplied();
        return;
    }
    setPaused(!state_.paused);
}

void Playback::seekTo(std::optional<double> target) {
    if (!hasPlayer())
        return;
    double x = target.value_or(state_.position);
    if (state_.duration > 0)
        x = std::min(x, state_.duration - kEndMargin);
    x = std::max(x, 0.0);
    if (state_.ended) {
        // After the end a seek plays from there, in a new start.
        earlyEnds_ = 0;
        playURL(url_, x);
        return;
    }
    session_->seek(x);
    updateState();
    emit positionChanged(x);
}

void Playback::skip(double seconds) {
    seekTo(state_.position + seconds);
}

void Playback::dragTo(double seconds, bool dragging) {
    dragging_ = dragging;
    seekTo(seconds);
}

void Playback::pushVolume() {
    if (hasPlayer())
        session_->player()->setVolume(enginePercent(volume()));
}

void Playback::applyVolume(std::optional<double> v) {
    lasting_.setVolume(v.value_or(double(volume())));
    pushVolume();
    emit volumeChanged(volume());
    emit settingsApplied();
}

void Playback::stepVolume(double delta) {
    applyVolume(double(volume()) + delta);
}

void Playback::toggleMute() {
    applyVolume(double(lasting_.mutedOrRestored()));
}

void Playback::applyRate(std::optional<double> r) {
    lasting_.setRate(r.value_or(double(rate())));
    if (hasPlayer())
        session_->player()->setRate(rate());
    emit rateMenuChanged(rateMenu());
    emit settingsApplied();
    emit toast(text::kRateToast().arg(rateTitle(rate())));
}

void Playback::chooseQuality(qsizetype index) {
    if (index < 0 || index >= sources_.size())
        return;
    const SourceEntry source = sources_.at(index);
    if (source.url.isEmpty())
        return;
    currentQuality_ = source.label;
    url_ = source.url;
    earlyEnds_ = 0;
    // The new source starts where the old one was.
    playURL(source.url, state_.position);
    emit qualityMenuChanged(qualityMenu());
    emit toast(text::kQualityTitle().arg(source.label));
}

void Playback::chooseAudioTrack(const TrackDescription& track) {
    if (!hasPlayer())
        return;
    session_->player()->setAudioTrack(track.id);
    currentAudioName_ = track.name;
    emit toast(text::kAudioTitle().arg(track.name));
    emit audioMenuChanged(audioMenu());
}

} // namespace velmo
