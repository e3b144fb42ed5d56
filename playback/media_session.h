#pragma once

// One start of one URL: made when a URL starts (a "load", a quality choice, a
// restart) and destroyed with its engine player. It owns the player, the
// player's events, what is known of the media's clock and state, and every
// delayed step that belongs to this start (the re-seek to the start time, the
// menu rebuilds, the re-activation of the subtitle, the close after the end).
// A step scheduled here dies with the session, so a step of an older media has
// nothing left to act on.

#include "common/delays.h"
#include "common/numbers.h"
#include "engine/engine.h"
#include "engine/player_events.h"

#include <QObject>

#include <memory>

namespace velmo {

class LastingState;

class MediaSession : public QObject {
    Q_OBJECT

public:
    struct State {
        double position = 0; // seconds
        double duration = 0; // seconds; 0 while the engine has reported none
        bool lengthKnown = false;
        bool paused = false;
        bool ended = false;      // played to its end
        bool showsPause = false; // the play button's symbol
        bool loading = true;     // until the engine plays or shows video
        bool spinning = true;    // preparing, or buffering below 100 %
    };

    // `startAt` is where playback starts (the start time of a "load", the
    // position of a quality change); `live` media end when their input ends.
    MediaSession(const LastingState& lasting, Scheduler schedule, double startAt, bool live,
                 QObject* parent = nullptr);
    ~MediaSession() override;

    // The events the player is to be opened with.
    PlayerEvents* events() { return &events_; }

    // Takes the player opened for events() and starts it with the volume and
    // speed in force. False when the engine refuses to play (the player stays).
    bool start(std::unique_ptr<MediaPlayer> player, VideoSink* sink);

    MediaPlayer* player() const { return player_.get(); }
    const State& state() const { return state_; }

    // Transport on this media's player. A seek sets the engine's time in whole
    // milliseconds and the position as given.
    void seek(double seconds) {
        player_->setTime(truncToInt64(seconds * 1000.0));
        state_.position = seconds;
    }
    void setPaused(bool paused);
    // The clock as the engine reports it: a time or length of 0 or less never
    // replaces what is known, and after the end nothing moves.
    void refreshClock();

    // A failure is on screen: the loading text and the busy indicator go.
    void hideIndicators() {
        state_.loading = false;
        state_.spinning = false;
    }

    // The process is closing: a stop reported by the engine changes nothing.
    void setClosing() { closing_ = true; }

    // Ends this start at once: no signal, no delayed step and no engine call
    // from now on, and the player is stopped and released. The object itself
    // may be deleted later (it may be the sender of the signal being handled).
    void end();

signals:
    // Something of state() other than the position changed.
    void changed();
    // The engine's clock moved; state().position holds it.
    void clockMoved();
    // The engine reported the end, and the media was played to its end.
    void endedAtEnd();
    // The engine reported the end short of it (`at` seconds of a known
    // duration), or before anything was played.
    void endedEarly(double at);
    void engineFailed();
    // The engine's track lists may have changed (a moment after it said so).
    void tracksMayHaveChanged();
    // A moment after each Playing: the start-up menu action.
    void startupSettled();
    // A moment after the start: the external subtitle that was active shows again.
    void reactivationDue();
    // A moment after the end: the window closes.
    void closeDue();
    // The engine paused: the controls come back.
    void pausedByEngine();

private:
    void connectEvents();
    void schedule(int ms, std::function<void()> step);
    void onPlaying();
    void onEndReached();
    void onTime();
    void onLength();

    const LastingState& lasting_;
    Scheduler schedule_;
    double startAt_;
    bool live_;
    // Declared before the player, so that it is destroyed after it: the
    // engine's threads post here until the player has been released.
    PlayerEvents events_;
    std::unique_ptr<MediaPlayer> player_;
    // The owner of every delayed step of this start; deleted by end().
    std::unique_ptr<QObject> steps_;
    State state_;
    bool closing_ = false;
    bool ended_ = false; // end() was called
    // Whether anything was decoded: a video output or a clock that moved.
    bool played_ = false;
    double firstTime_ = -1;
};

} // namespace velmo
