#pragma once

// The bottom bar: play/pause, ten seconds back and forward, the current time,
// the position slider, the duration (or the live badge instead of all three),
// the mute button, the volume slider and the speed chip. It shows the playback
// state it is given and reports what the user does with it.

#include "playback/playback_state.h"

#include <QWidget>

class QSlider;

namespace velmo {

class IconButton;
class MenuChip;
class TextLabel;
class VelmoSlider;
struct WindowFrames;

class BottomBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 78;
    static constexpr double kSkipSeconds = 10;

    explicit BottomBar(QWidget* parent = nullptr);

    // The play symbol, the time labels, the slider and the live badge.
    void showPlayback(const PlaybackState& state);
    void showVolume(float volume);
    void place(const WindowFrames& frames);

    MenuChip* rateChip() const { return rate_; }
    // The user holds the position slider's knob.
    bool dragging() const;

signals:
    void playClicked();
    void skipClicked(double seconds);
    // Every move of the position slider by the user; `dragging` while the press lasts.
    void positionDragged(double seconds, bool dragging);
    void volumeMoved(double volume);
    void muteClicked();

private:
    void volumeSliderMoved();

    IconButton* play_;
    IconButton* back_;
    IconButton* forward_;
    TextLabel* current_;
    VelmoSlider* position_;
    TextLabel* duration_;
    TextLabel* live_;
    IconButton* mute_;
    QSlider* volume_;
    MenuChip* rate_;
};

} // namespace velmo
