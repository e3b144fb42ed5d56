#pragma once

// The composition root: makes the parts, connects them, and runs the start and
// the end of the process. It holds no player state of its own; each part owns
// its state and the parts meet only through the connections made here.
//
//   protocol (Channel, EventWriter)  <-  the parent's pipes
//   playback (Playback, MediaSession) -> engine (libvlc)
//   subtitles (SubtitleController)
//   ui (PlayerWindow)                <-  the viewer

#include "app/environment.h"
#include "common/lasting_state.h"
#include "playback/playback.h"
#include "protocol/channel.h"
#include "protocol/events.h"
#include "subtitles/subtitle_controller.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace velmo {

class PlayerWindow;
class StylePanelController;

class VelmoPlayerApp : public QObject {
    Q_OBJECT

public:
    explicit VelmoPlayerApp(PlayerEnvironment environment, QObject* parent = nullptr);
    ~VelmoPlayerApp() override;

    // Start-up: the fonts, the window, the channel, the window to the front.
    void start();
    // Closes the window, which ends the process after "closed".
    void closeWindow();
    // Ends the process without "closed".
    void quit();
    // The last code to run: the player, then the engine, are released.
    void terminateNow();
    // What the progress timer does twice a second: a "progress" event, from
    // the first "load" on and never after "closed".
    void reportProgress();

    Channel& channel() { return channel_; }
    EventWriter& events() { return events_; }
    Playback& playback() { return playback_; }
    SubtitleController& subtitles() { return subtitles_; }
    // Null before start().
    PlayerWindow* window() const { return window_.get(); }
    // Null until the style button was first clicked.
    StylePanelController* stylePanel() const;

private:
    class EngineSubtitlesOfPlayback;

    void connectParts();
    void load(const LoadRequest& request);
    void reportSettings();
    void showStylePanel(QWidget* anchor);
    void finishAndExit();

    PlayerEnvironment env_;
    LastingState lasting_;
    EventWriter events_;
    Channel channel_;
    Playback playback_;
    std::unique_ptr<EngineSubtitlesOfPlayback> engineSubtitles_;
    SubtitleController subtitles_;
    std::unique_ptr<PlayerWindow> window_;
    QPointer<StylePanelController> panel_;
    QTimer progressTimer_;
    bool closing_ = false;
    bool terminated_ = false;
};

} // namespace velmo
