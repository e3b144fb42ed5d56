#include "ui/keys.h"

#include <QKeyEvent>

namespace velmo {

namespace {

struct KeyBinding {
    quint32 scanCode; // X11 key code of the key's position on a US keyboard
    int qtKey;        // the same key where no scan code is known
    KeyAction action;
};

constexpr KeyBinding kBindings[] = {
    {65, Qt::Key_Space, KeyAction::TogglePlay},   {113, Qt::Key_Left, KeyAction::SkipBack},
    {114, Qt::Key_Right, KeyAction::SkipForward}, {111, Qt::Key_Up, KeyAction::VolumeUp},
    {116, Qt::Key_Down, KeyAction::VolumeDown},   {58, Qt::Key_M, KeyAction::ToggleMute},
    {41, Qt::Key_F, KeyAction::ToggleFullscreen}, {39, Qt::Key_S, KeyAction::ToggleSubtitles},
    {9, Qt::Key_Escape, KeyAction::Escape},
};

} // namespace

KeyAction keyActionFor(quint32 nativeScanCode, int qtKey) {
    for (const KeyBinding& binding : kBindings) {
        if (nativeScanCode != 0 ? binding.scanCode == nativeScanCode : binding.qtKey == qtKey)
            return binding.action;
    }
    return KeyAction::None;
}

KeyAction keyActionFor(const QKeyEvent& event) {
    return keyActionFor(event.nativeScanCode(), event.key());
}

} // namespace velmo
