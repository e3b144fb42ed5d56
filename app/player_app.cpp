#include "app/player_app.h"

#include "subtitles/font_lookup.h"
#include "subtitles/panel.h"
#include "ui/fonts.h"
#include "ui/player_window.h"

namespace velmo {

// The subtitle part's view of the engine, through the playback part.
class VelmoPlayerApp::EngineSubtitlesOfPlayback final : public EngineSubtitles {
public:
    explicit EngineSubtitlesOfPlayback(Playback& playback) : playback_(playback) {}

    bool hasPlayer() override { return playback_.hasPlayer(); }
    QList<EmbeddedTrack> embeddedTracks() override {
        QList<EmbeddedTrack> tracks;
        for (const TrackDescription& track : playback_.embeddedSubtitleTracks())
            tracks.append({track.id, track.name});
        return tracks;
    }
    int drawnTrack() override { return playback_.embeddedSubtitleTrack(); }
    void drawTrack(int id) override { playback_.setEmbeddedSubtitleTrack(id); }
    bool drawFile(const QString& path) override { return playback_.handSubtitleFile(path); }

private:
    Playback& playback_;
};

namespace {

Playback::Seams playbackSeams(const PlayerEnvironment& env, const SubtitleController& subtitles) {
    Playback::Seams seams;
    seams.engineFactory = env.engineFactory;
    seams.engineFolders = env.engineFolders;
    seams.schedule = env.schedule;
    // libvlc's own renderer gets the family of the subtitle font in force when
    // the engine is made.
    seams.subtitleFontFamily = [&subtitles] {
        return ResolveFont(subtitles.style().font, subtitles.style().size).family();
    };
    return seams;
}

} // namespace

VelmoPlayerApp::VelmoPlayerApp(PlayerEnvironment environment, QObject* parent)
    : QObject(parent), env_(std::move(environment)),
      events_([this](const QByteArray& line) { env_.writeLine(line); }),
      playback_(lasting_, playbackSeams(env_, subtitles_)),
      engineSubtitles_(std::make_unique<EngineSubtitlesOfPlayback>(playback_)),
      subtitles_(*engineSubtitles_, lasting_,
                 env_.fetchSubtitle ? env_.fetchSubtitle : networkSubtitleFetch(this)) {}

VelmoPlayerApp::~VelmoPlayerApp() {
    // The player draws into the window's video view: it goes first.
    playback_.release();
    window_.reset();
}

StylePanelController* VelmoPlayerApp::stylePanel() const {
    return panel_;
}

void VelmoPlayerApp::start() {
    registerFontsIn(fontsFolder());
    window_ = std::make_unique<PlayerWindow>(env_.clock);
    connectParts();
    playback_.setVideoSink(window_->videoSink());
    window_->setRateMenu(playback_.rateMenu());
    window_->setSubtitleStyle(subtitles_.style());
    window_->present();
    progressTimer_.start(delay::kProgressInterval);
    channel_.start(env_.inputFd);
    window_->raise();
    window_->activateWindow();
}

void VelmoPlayerApp::connectParts() {
    PlayerWindow* window = window_.get();

    // The parent's commands.
    connect(&channel_, &Channel::loadRequested, this, &VelmoPlayerApp::load);
    connect(&channel_, &Channel::pauseRequested, &playback_, &Playback::setPaused);
    connect(&channel_, &Channel::toggleRequested, &playback_, &Playback::togglePlay);
    connect(&channel_, &Channel::seekRequested, &playback_, &Playback::seekTo);
    connect(&channel_, &Channel::volumeRequested, &playback_, &Playback::applyVolume);
    connect(&channel_, &Channel::rateRequested, &playback_, &Playback::applyRate);
    connect(&channel_, &Channel::subtitleRequested, &subtitles_, &SubtitleController::applyIndex);
    connect(&channel_, &Channel::styleRequested, &subtitles_, &SubtitleController::applyPatch);
    connect(&channel_, &Channel::closeRequested, this, &VelmoPlayerApp::closeWindow);

    // The viewer's requests.
    connect(window, &PlayerWindow::togglePlayRequested, &playback_, &Playback::togglePlay);
    connect(window, &PlayerWindow::skipRequested, &playback_, &Playback::skip);
    connect(window, &PlayerWindow::positionDragged, &playback_, &Playback::dragTo);
    connect(window, &PlayerWindow::volumeRequested, &playback_, &Playback::applyVolume);
    connect(window, &PlayerWindow::volumeStepRequested, &playback_, &Playback::stepVolume);
    connect(window, &PlayerWindow::muteRequested, &playback_, &Playback::toggleMute);
    connect(window, &PlayerWindow::subtitleToggleRequested, &subtitles_,
            &SubtitleController::toggle);
    connect(window, &PlayerWindow::stylePanelRequested, this, &VelmoPlayerApp::showStylePanel);
    connect(window, &PlayerWindow::closeRequested, this, &VelmoPlayerApp::closeWindow);
    connect(window, &PlayerWindow::quitRequested, this, &VelmoPlayerApp::quit);
    connect(window, &PlayerWindow::closing, this, &VelmoPlayerApp::finishAndExit);

    // Playback, shown and reported.
    connect(&playback_, &Playback::stateChanged, window, &PlayerWindow::showPlayback);
    connect(&playback_, &Playback::volumeChanged, window, &PlayerWindow::showVolume);
    connect(&playback_, &Playback::toast, window, &PlayerWindow::showToast);
    connect(&playback_, &Playback::qualityMenuChanged, window, &PlayerWindow::setQualityMenu);
    connect(&playback_, &Playback::audioMenuChanged, window, &PlayerWindow::setAudioMenu);
    connect(&playback_, &Playback::rateMenuChanged, window, &PlayerWindow::setRateMenu);
    connect(&playback_, &Playback::controlsWanted, window, &PlayerWindow::showControls);
    connect(&playback_, &Playback::closeDue, this, &VelmoPlayerApp::closeWindow);
    connect(&playback_, &Playback::settingsApplied, this, &VelmoPlayerApp::reportSettings);
    connect(&playback_, &Playback::pauseApplied, this, &VelmoPlayerApp::reportProgress);
    connect(&playback_, &Playback::failed, this,
            [this](const QString& message) { events_.error(message); });
    connect(&playback_, &Playback::ended, this,
            [this](double position, double duration) { events_.ended(position, duration); });

    // Playback, as the subtitles follow it.
    connect(&playback_, &Playback::positionChanged, &subtitles_, &SubtitleController::setPosition);
    connect(&playback_, &Playback::mediaStarted, &subtitles_, &SubtitleController::mediaStarted);
    connect(&playback_, &Playback::tracksMayHaveChanged, &subtitles_,
            &SubtitleController::rebuildMenu);
    connect(&playback_, &Playback::startupSettled, &subtitles_,
            &SubtitleController::loadFirstOnce);
    connect(&playback_, &Playback::reactivationDue, &subtitles_, &SubtitleController::reactivate);

    // Subtitles, shown and reported.
    connect(&subtitles_, &SubtitleController::cueChanged, window, &PlayerWindow::setSubtitleCue);
    connect(&subtitles_, &SubtitleController::styleChanged, window,
            &PlayerWindow::setSubtitleStyle);
    connect(&subtitles_, &SubtitleController::menuChanged, window, &PlayerWindow::setSubtitleMenu);
    connect(&subtitles_, &SubtitleController::toast, window, &PlayerWindow::showToast);
    connect(&subtitles_, &SubtitleController::settingsChanged, this,
            &VelmoPlayerApp::reportSettings);

    connect(&progressTimer_, &QTimer::timeout, this, &VelmoPlayerApp::reportProgress);
}

void VelmoPlayerApp::load(const LoadRequest& request) {
    // The title shows even when nothing can play.
    window_->setTitles(request.title, request.subtitle);
    if (request.hasSettings) {
        playback_.restoreSettings(request.volume, request.rate);
        subtitles_.applyPatch(request.style);
    }
    subtitles_.setTracks(request.subtitles);
    const bool engine =
        playback_.load({request.sources, request.url, request.startTime, request.live});
    subtitles_.rebuildMenu();
    if (!engine || lasting_.enteredFullscreen)
        return;
    // The first load that could play goes fullscreen, once per process.
    lasting_.enteredFullscreen = true;
    env_.schedule(window_.get(), delay::kFullscreenAfterLoad, [this] {
        if (!window_->isFullScreen() && !closing_)
            window_->toggleFullscreen();
    });
}

void VelmoPlayerApp::reportSettings() {
    events_.settings({playback_.volume(), playback_.rate(), subtitles_.enabled(), subtitles_.style()});
}

void VelmoPlayerApp::reportProgress() {
    // From the first "load" on, and never after "closed".
    if (!playback_.loaded() || events_.closedWritten())
        return;
    events_.progress(playback_.progress());
}

void VelmoPlayerApp::showStylePanel(QWidget* anchor) {
    if (!panel_) {
        panel_ = new StylePanelController(&subtitles_, window_.get());
        panel_->buildUI();
        QPointer<StylePanelController> panel = panel_;
        window_->setControlsHeld([panel] { return panel && panel->editing(); });
    }
    panel_->syncFromPlayer();
    panel_->popUp(anchor);
    window_->showControls();
}

void VelmoPlayerApp::closeWindow() {
    if (window_ && window_->isVisible())
        window_->close(); // the window's close reaches finishAndExit()
    else
        finishAndExit();
}

void VelmoPlayerApp::finishAndExit() {
    if (closing_)
        return;
    closing_ = true;
    channel_.stopDispatch();
    progressTimer_.stop();
    if (window_)
        window_->stopTimers();
    playback_.beginClosing();
    subtitles_.setClosing();
    events_.closed(playback_.state().position, playback_.state().duration);
    env_.schedule(this, delay::kCloseToExit, [this] {
        playback_.release();
        env_.terminate();
    });
}

void VelmoPlayerApp::quit() {
    env_.terminate();
}

void VelmoPlayerApp::terminateNow() {
    if (terminated_)
        return;
    terminated_ = true;
    progressTimer_.stop();
    if (window_)
        window_->stopTimers();
    playback_.release();
}

} // namespace velmo
