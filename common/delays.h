#pragma once

// Every fixed delay of the player, in one place, and the way delayed steps are
// scheduled: each belongs to an object and dies with it, so a late step of a
// media that has gone has nothing to act on.

#include <QObject>

#include <functional>

namespace velmo {

namespace delay {
// From "closed" to the release of the engine and the end of the process.
constexpr int kCloseToExit = 150;
// From the first successful load to fullscreen.
constexpr int kFullscreenAfterLoad = 350;
// After a start: the seek to the start time (the engine's start-time option
// alone lands on a key frame).
constexpr int kReseekAfterStart = 900;
// After a start: the external track that was active is shown again.
constexpr int kTrackReactivation = 1100;
// Menu rebuilds after the engine reports tracks, playing and video output:
// its track lists settle a moment after the events.
constexpr int kMenusAfterTracks = 500;
constexpr int kMenusAfterPlaying = 600;
constexpr int kMenusAfterVideo = 800;
// From "ended" to closing the window.
constexpr int kCloseAfterEnd = 700;
// A toast stays, then fades.
constexpr int kToastShown = 2000;
constexpr int kToastFade = 300;
// The bars hide after this long without activity while playing, checked at
// every tick.
constexpr int kControlsIdle = 3000;
constexpr int kControlsTick = 250;
// Progress reports while a media is loaded.
constexpr int kProgressInterval = 500;
// A subtitle download that has not finished by then has failed.
constexpr int kSubtitleFetchDeadline = 60 * 1000;
} // namespace delay

// Runs `step` once, `ms` milliseconds from now on the GUI thread, unless
// `owner` has been destroyed by then.
using Scheduler = std::function<void(QObject* owner, int ms, std::function<void()> step)>;

// The real scheduler: a single-shot timer bound to the owner.
Scheduler timerScheduler();

} // namespace velmo
