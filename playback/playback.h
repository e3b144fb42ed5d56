#pragma once

// The playback part: the engine instance, the media the last "load" named (its
// sources, the one playing, whether it is live), the session of the URL that
// plays now, and the operations by which the user and the parent drive it.
// Widget-free: what it knows goes out as signals and PlaybackState values.

#include "common/delays.h"
#include "common/lasting_state.h"
#include "common/menu.h"
#include "engine/engine.h"
#include "playback/media.h"
#include "playback/playback_state.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace velmo {

class MediaSession;
class VideoSink;

// A speed as the menu and the toast name it: "عادی" within 0.01 of 1, else at
// most two significant digits by C printf's rules and "×" (1.25 gives 1.2×).
QString rateTitle(double rate);

class Playback : public QObject {
    Q_OBJECT

public:
    struct Seams {
        EngineFactory engineFactory;
        // Candidate engine folders, in search order.
        QStringList engineFolders;
        Scheduler schedule;
        // The family libvlc's own subtitle renderer is made with.
        std::function<QString()> subtitleFontFamily;
    };

    // The speeds the menu offers.
    static constexpr double kSpeeds[] = {0.5, 0.75, 1, 1.25, 1.5, 1.75, 2};

    Playback(LastingState& lasting, Seams seams, QObject* parent = nullptr);
    ~Playback() override;

    void setVideoSink(VideoSink* sink) { sink_ = sink; }

    // The saved volume and speed of a "load" (no report).
    void restoreSettings(std::optional<double> volume, std::optional<double> rate);
    // Remembers the media and starts its URL; false when no engine could be
    // made (then nothing plays and the failure has been reported).
    bool load(const MediaRequest& media);
    // A "load" has arrived, whether or not anything could play.
    bool loaded() const { return loaded_; }

    const PlaybackState& state() const { return state_; }
    bool hasPlayer() const;
    float volume() const { return lasting_.volume(); }
    float rate() const { return lasting_.rate(); }
    // Refreshes the clock from the engine, then reports it.
    ProgressReport progress();

    // Transport: the commands, the buttons and keys all come here.
    void setPaused(bool paused);
    void togglePlay();
    // No value: where playback is (a "seek" without a number still acts).
    void seekTo(std::optional<double> seconds);
    void skip(double seconds);
    // The position slider moved by the user; `dragging` while its press lasts.
    void dragTo(double seconds, bool dragging);
    // No value: the volume in force (still reported).
    void applyVolume(std::optional<double> volume);
    void stepVolume(double delta);
    void toggleMute();
    void applyRate(std::optional<double> rate);

    // Menus, each made anew from the current state.
    Menu qualityMenu();
    Menu audioMenu();
    Menu rateMenu();
    void chooseQuality(qsizetype index);
    void chooseAudioTrack(const TrackDescription& track);

    // The engine's own subtitles.
    QList<TrackDescription> embeddedSubtitleTracks();
    int embeddedSubtitleTrack();
    void setEmbeddedSubtitleTrack(int id);
    // Hands a subtitle file to the engine; false when there is no player.
    bool handSubtitleFile(const QString& path);

    // The close sequence has begun: the engine's stop changes nothing now.
    void beginClosing();
    // The player, then the engine instance, are released.
    void release();

signals:
    void stateChanged(const PlaybackState& state);
    // The position as shown moved: a seek, a clock report (not while the user
    // drags the slider, nor after the end), a new length.
    void positionChanged(double seconds);
    void volumeChanged(float volume);
    // A volume or speed was applied: the parent is to get "settings".
    void settingsApplied();
    // A pause or resume was asked for: the parent is to get "progress" at once.
    void pauseApplied();
    void failed(const QString& message);
    void ended(double position, double duration);
    void toast(const QString& text);
    void qualityMenuChanged(const Menu& menu);
    void audioMenuChanged(const Menu& menu);
    void rateMenuChanged(const Menu& menu);
    // A URL started; delayed steps of other parts may be tied to `session`.
    void mediaStarted(QObject* session);
    // The engine's subtitle tracks may have changed.
    void tracksMayHaveChanged();
    // A moment after playing started: the first external subtitle may load.
    void startupSettled();
    void reactivationDue();
    // The media was played to its end a moment ago: the window closes.
    void closeDue();
    // The bars are to show (pause, resume, the engine pausing).
    void controlsWanted();

private:
    bool ensureEngine();
    // Starts `url` from `startAt` in a new session, replacing the one playing.
    void playURL(const QString& url, double startAt);
    void fail(const QString& message);
    void retireSession();
    void connectSession(MediaSession* session);
    void endedEarly(double at);
    void updateState();
    void pushVolume();
    void showRate();

    LastingState& lasting_;
    Seams seams_;
    std::unique_ptr<Engine> engine_;
    VideoSink* sink_ = nullptr;
    std::unique_ptr<MediaSession> session_;

    bool loaded_ = false;
    QList<SourceEntry> sources_;
    std::optional<QString> currentQuality_;
    std::optional<QString> currentAudioName_; // the audio track the user chose last
    QString url_;
    bool live_ = false;
    QString error_;
    bool dragging_ = false;
    bool closing_ = false;
    // Ends short of the end in a row without getting further, and where the
    // last of them was.
    int earlyEnds_ = 0;
    double earlyEndAt_ = 0;
    PlaybackState state_;
};

} // namespace velmo
