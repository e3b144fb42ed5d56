#include "playback/playback.h"

#include "common/numbers.h"
#include "common/texts.h"
#include "engine/engine_setup.h"
#include "playback/media_session.h"

namespace velmo {

namespace {

const QString kUserAgent =
    QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, "
                   "like Gecko) Version/17.0 Safari/605.1.15");
constexpr double kStartTimeThreshold = 1.5;
// An end short of the end restarts the URL from where it stopped, as a viewer
// would press play again; this many times in a row without getting further.
constexpr int kRestartsWithoutProgress = 2;
// How much further a restart must get to earn fresh restarts.
constexpr double kProgressMargin = 1.0;

} // namespace

Playback::Playback(LastingState& lasting, Seams seams, QObject* parent)
    : QObject(parent), lasting_(lasting), seams_(std::move(seams)) {}

Playback::~Playback() {
    release();
}

bool Playback::hasPlayer() const {
    return session_ && session_->player() != nullptr;
}

void Playback::restoreSettings(std::optional<double> volume, std::optional<double> rate) {
    lasting_.restoreSaved(volume, rate);
}

bool Playback::ensureEngine() {
    if (engine_)
        return true;
    const QString folder = findEngineFolder(seams_.engineFolders);
    if (folder.isEmpty()) {
        fail(text::kErrNoEngine());
        return false;
    }
    prepareEngineEnvironment(folder);
    const QString family = seams_.subtitleFontFamily ? seams_.subtitleFontFamily() : QString();
    engine_ = seams_.engineFactory(engineArguments(family));
    if (!engine_) {
        fail(text::kErrEngineInit());
        return false;
    }
    return true;
}

bool Playback::load(const MediaRequest& media) {
    loaded_ = true;
    live_ = media.live;
    emit volumeChanged(volume());
    emit rateMenuChanged(rateMenu());

    sources_ = media.sources;
    currentQuality_.reset();
    for (const SourceEntry& source : sources_) {
        if (source.url == media.url) {
            currentQuality_ = source.label;
            break;
        }
    }
    emit qualityMenuChanged(qualityMenu());
    earlyEnds_ = 0;

    if (!ensureEngine()) {
        updateState();
        return false;
    }
    url_ = media.url;
    playURL(url_, media.startTime);
    emit audioMenuChanged(audioMenu());
    return true;
}

void Playback::playURL(const QString& url, double startAt) {
    if (url.isEmpty()) {
        fail(text::kErrEmptyUrl()); // whatever plays goes on playing
        return;
    }
    if (!ensureEngine())
        return; // the quality menu after an engine that could not be made
    error_.clear();
    retireSession();
    session_ = std::make_unique<MediaSession>(lasting_, seams_.schedule, startAt, live_);
    MediaSession* session = session_.get();
    connectSession(session);
    emit mediaStarted(session);

    QStringList options;
    if (startAt > kStartTimeThreshold)
        options << QStringLiteral(":start-time=%1").arg(truncToInt64(startAt));
    options << QStringLiteral(":http-user-agent=%1").arg(kUserAgent);
    Engine::OpenError error = Engine::OpenError::None;
    std::unique_ptr<MediaPlayer> player = engine_->open(url, options, session->events(), &error);
    if (!player) {
        fail(error == Engine::OpenError::NoMedia ? text::kErrNoMedia() : text::kErrNoPlayer());
        return;
    }
    if (!session->start(std::move(player), sink_))
        fail(text::kErrPlayRefused()); // the player stays, not playing
    updateState();
}

void Playback::retireSession() {
    if (!session_)
        return;
    // The session may be the sender of the signal being handled: it stops now
    // and goes once control is back in the event loop.
    session_->end();
    session_.release()->deleteLater();
}

void Playback::connectSession(MediaSession* s) {
    connect(s, &MediaSession::changed, this, &Playback::updateState);
    connect(s, &MediaSession::clockMoved, this, [this] {
        updateState();
        // While the user holds the slider the knob and the time are theirs.
        if (!dragging_)
            emit positionChanged(state_.position);
    });
    connect(s, &MediaSession::endedAtEnd, this, [this] {
        earlyEnds_ = 0;
        emit ended(state_.position, state_.duration);
    });
    connect(s, &MediaSession::endedEarly, this, &Playback::endedEarly);
    connect(s, &MediaSession::engineFailed, this, [this] { fail(text::kErrPlayback()); });
    connect(s, &MediaSession::tracksMayHaveChanged, this, [this] {
        emit tracksMayHaveChanged();
        emit audioMenuChanged(audioMenu());
    });
    connect(s, &MediaSession::startupSettled, this, [this] {
        emit tracksMayHaveChanged();
        emit audioMenuChanged(audioMenu());
        emit startupSettled();
    });
    connect(s, &MediaSession::reactivationDue, this, &Playback::reactivationDue);
    connect(s, &MediaSession::closeDue, this, &Playback::closeDue);
    connect(s, &MediaSession::pausedByEngine, this, &Playback::controlsWanted);
}

void Playback::endedEarly(double at) {
    if (earlyEnds_ > 0 && at > earlyEndAt_ + kProgressMargin)
        earlyEnds_ = 0; // the last restart got further: it earns fresh ones
    ++earlyEnds_;
    earlyEndAt_ = at;
    if (earlyEnds_ > kRestartsWithoutProgress) {
        // Not the end, and playing again does not help: a failure the parent
        // hears of, the window staying open as for every failure.
        fail(text::kErrPlayback());
        return;
    }
    playURL(url_, at);
}

void Playback::fail(const QString& message) {
    error_ = message;
    if (session_)
        session_->hideIndicators();
    updateState();
    emit failed(message);
}

void Playback::updateState() {
    PlaybackState next;
    next.started = loaded_;
    next.live = live_;
    next.error = error_;
    if (session_) {
        const MediaSession::State& s = session_->state();
        next.showsPause = s.showsPause;
        next.paused = s.paused;
        next.ended = s.ended;
        next.position = s.position;
        next.duration = s.duration;
        next.lengthKnown = s.lengthKnown;
        next.loading = s.loading && error_.isEmpty();
        next.spinning = s.spinning;
    }
    if (next == state_)
        return;
    state_ = next;
    emit stateChanged(state_);
}

ProgressReport Playback::progress() {
    if (session_)
        session_->refreshClock();
    updateState();
    return {state_.position, state_.duration, state_.paused, volume(), rate()};
}

QList<TrackDescription> Playback::embeddedSubtitleTracks() {
    return hasPlayer() ? choosableTracks(session_->player()->subtitleTracks(),
                                         text::kEmbeddedUnnamed())
                       : QList<TrackDescription>();
}

int Playback::embeddedSubtitleTrack() {
    return hasPlayer() ? session_->player()->subtitleTrack() : -1;
}

void Playback::setEmbeddedSubtitleTrack(int id) {
    if (hasPlayer())
        session_->player()->setSubtitleTrack(id);
}

bool Playback::handSubtitleFile(const QString& path) {
    if (!hasPlayer())
        return false;
    session_->player()->setSubtitleFile(path);
    return true;
}

void Playback::beginClosing() {
    closing_ = true;
    if (session_)
        session_->setClosing();
}

void Playback::release() {
    // The player draws into the window and posts to the engine: it goes
    // first, then the engine instance.
    if (session_) {
        session_->end();
        session_.reset();
    }
    engine_.reset();
}

} // namespace velmo
