#pragma once

// The window part: the one player window with its view tree, back to front the
// video, the subtitle overlay, the two bars, then the centre button, spinner,
// loading, error and toast texts. It owns every widget and shows the state it
// is given; what the user does comes out as requests (signals). Within itself
// it keeps only what a window keeps: whether the bars show and when the user
// was last active, fullscreen, the toast.

#include "common/menu.h"
#include "playback/playback_state.h"
#include "subtitles/model.h"
#include "subtitles/style.h"
#include "ui/player_controls.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace velmo {

class BottomBar;
class IconButton;
class MenuChip;
class PlayerRootView;
class Spinner;
class SubtitleOverlayView;
class TextLabel;
class Toast;
class TopBar;
class VideoSink;
class VideoView;

class PlayerWindow : public QWidget, public VelmoPlayerControls {
    Q_OBJECT

public:
    // `clock` gives seconds on a steady clock (the time of activity).
    explicit PlayerWindow(std::function<double()> clock, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Centres the window on its screen, shows it with the keyboard focus on the
    // picture and starts the check that hides the bars.
    void present();
    void stopTimers();

    // What it shows.
    void showPlayback(const PlaybackState& state);
    void showVolume(float volume);
    // No title: the window is titled "Velmo" and the bar shows none.
    void setTitles(const std::optional<QString>& title, const QString& subtitle);
    void setQualityMenu(const Menu& menu);
    void setAudioMenu(const Menu& menu);
    void setSubtitleMenu(const Menu& menu);
    void setRateMenu(const Menu& menu);
    void showToast(const QString& text);
    void setSubtitleCue(std::shared_ptr<const SubtitleCue> cue);
    void setSubtitleStyle(const SubtitleStyle& style);

    VideoSink* videoSink() const;
    QWidget* styleButton() const;
    Toast& toast() const { return *toast_; }

    // The bars: shown on any activity, hidden three seconds after the last one
    // while playing, unless something holds them.
    void showControls();
    void hideControls();
    bool controlsHidden() const { return hidden_; }
    // While this answers true the bars do not hide by themselves.
    void setControlsHeld(std::function<bool()> held) { held_ = std::move(held); }
    // The check the timer runs every quarter second.
    void tick();

    // What the picture asks for (the root view's requests).
    void mouseActivity() override;
    void toggleControls() override;
    void toggleFullscreen() override;
    void handleKey(QKeyEvent* event) override;

signals:
    void togglePlayRequested();
    void skipRequested(double seconds);
    void positionDragged(double seconds, bool dragging);
    void volumeRequested(double volume);
    void volumeStepRequested(double delta);
    void muteRequested();
    void subtitleToggleRequested();
    void stylePanelRequested(QWidget* anchor);
    // The close button, Escape outside fullscreen, the close item.
    void closeRequested();
    // The quit item: the process ends without closing the window first.
    void quitRequested();
    // The window is closing, whoever closed it (the program or the window manager).
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildOverlays();
    void buildMenu();
    void connectBars();
    void applyMenu(MenuChip* chip, const Menu& menu);
    void layoutChildren();
    void fullscreenChanged();
    void setFullscreen(bool fullscreen);
    void reassertWhenShown(bool wanted, int request, int triesLeft);
    void setSubtitleInset(double inset);

    std::function<double()> clock_;
    PlayerRootView* root_ = nullptr;
    VideoView* video_ = nullptr;
    SubtitleOverlayView* overlay_ = nullptr;
    TopBar* top_ = nullptr;
    BottomBar* bottom_ = nullptr;
    IconButton* centre_ = nullptr;
    Spinner* spinner_ = nullptr;
    TextLabel* loading_ = nullptr;
    TextLabel* error_ = nullptr;
    Toast* toast_ = nullptr;
    QTimer* tickTimer_ = nullptr;

    PlaybackState state_;
    bool hidden_ = false;
    double lastActivity_ = 0;
    std::function<bool()> held_;
    // Counts fullscreen requests, so that a check for an older one stands down.
    int fullscreenRequests_ = 0;
};

} // namespace velmo
