#pragma once

// The player's keyboard shortcuts. A key acts by its physical position, not by
// the character it types, so that with a Persian (or any other) layout the keys
// in the S, F and M positions still toggle subtitles, fullscreen and mute.
// Modifiers are not looked at, and auto-repeat acts again.

#include <QtGlobal>

class QKeyEvent;

namespace velmo {

enum class KeyAction {
    None,
    TogglePlay,
    SkipBack,
    SkipForward,
    VolumeUp,
    VolumeDown,
    ToggleMute,
    ToggleFullscreen,
    ToggleSubtitles,
    Escape, // leave fullscreen, or close the player in a window
};

// `nativeScanCode` is the X11 key code (evdev code + 8, the same on Wayland) and
// decides alone when it is known. It is 0 on the offscreen platform and for
// synthetic events; then the Qt key (`qtKey`, a Qt::Key) of the event is used.
KeyAction keyActionFor(quint32 nativeScanCode, int qtKey);

KeyAction keyActionFor(const QKeyEvent& event);

} // namespace velmo
