#pragma once

// What the window shows of playback: the state of the current media as one
// value, handed over whole whenever any of it changes.

#include <QString>

namespace velmo {

struct PlaybackState {
    bool started = false;    // a "load" has arrived
    bool showsPause = false; // the play button offers to pause (it plays)
    bool paused = false;
    bool ended = false;      // played to its end; the centre button offers to replay
    bool live = false;
    double position = 0;     // seconds
    double duration = 0;     // seconds; 0 while unknown
    bool lengthKnown = false; // the engine has reported a length for this start
    bool loading = false;    // the "preparing" text
    bool spinning = false;   // the busy indicator (preparing or buffering)
    QString error;           // the failure shown until the next start; empty: none

    // Live media and media of a second or less have no timeline to show.
    bool hasTimeline() const { return !live && duration > 1.0; }

    bool operator==(const PlaybackState&) const = default;
};

// What a "progress" event carries.
struct ProgressReport {
    double position = 0;
    double duration = 0;
    bool paused = false;
    float volume = 1.0f;
    float rate = 1.0f;
};

} // namespace velmo
