// The controls come back on any activity and hide after three seconds without
// it during playback; fullscreen; short messages that fade out by themselves.

#include "host/controller.h"
#include "ui/icon_button.h"
#include "ui/keys.h"
#include "ui/player_window.h"
#include "ui/root_view.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWindow>

namespace velmo {

namespace {
constexpr double kHideAfter = 3.0; // seconds without activity
constexpr int kToastShown = 2000;  // ms before a toast fades
constexpr int kToastFade = 300;    // ms
// Counts fullscreen requests, so that a check for an older one stands down.
int fullscreenRequests = 0;

PlayerRootView* rootView(QWidget* content) {
    return qobject_cast<PlayerRootView*>(content);
}

void setFullscreen(QWidget* window, bool full) {
    if (full)
        window->showFullScreen();
    else
        window->showNormal();
}

// Asks for `wanted` again once the window is exposed, unless a later request
// (another `request` number) came meanwhile; looks every 50 ms, `triesLeft` times.
void reassertWhenShown(VelmoPlayerApp* app, bool wanted, int request, int triesLeft) {
    if (request != fullscreenRequests || app->window == nullptr)
        return;
    const QWindow* native = app->window->windowHandle();
    if (native != nullptr && !native->isExposed() && app->window->isVisible()) {
        if (triesLeft > 0)
            QTimer::singleShot(50, app, [app, wanted, request, triesLeft] {
                reassertWhenShown(app, wanted, request, triesLeft - 1);
            });
        return;
    }
    if (app->window->isFullScreen() != wanted)
        setFullscreen(app->window, wanted);
}
} // namespace

void VelmoPlayerApp::showControls() {
    lastMouse = clock();
    if (PlayerRootView* root = rootView(content))
        root->showPointer();
    if (!controlsHidden)
        return;
    controlsHidden = false;
    topBar->show();
    bottomBar->show();
    setSubtitleInset(100);
}

void VelmoPlayerApp::hideControls() {
    if (controlsHidden)
        return;
    controlsHidden = true;
    topBar->hide();
    bottomBar->hide();
    setSubtitleInset(64);
    // In fullscreen the pointer goes with the bars until the mouse moves. It
    // is the window's pointer, not the application's: a menu keeps its own.
    if (window->isFullScreen())
        if (PlayerRootView* root = rootView(content))
            root->hidePointerUntilMoved();
}

void VelmoPlayerApp::toggleControls() {
    if (controlsHidden || paused)
        showControls();
    else
        hideControls();
}

void VelmoPlayerApp::mouseActivity() {
    showControls();
}

bool VelmoPlayerApp::stylePanelShown() const {
    return stylePanelShown_ && stylePanelShown_();
}

void VelmoPlayerApp::tickUI() {
    if (paused || controlsHidden || !started)
        return;
    // While a menu is open the pointer moves over the menu, not the window:
    // its chip and bar stay until it is closed.
    if (QApplication::activePopupWidget() != nullptr)
        return;
    if (clock() - lastMouse <= kHideAfter)
        return;
    if (stylePanelShown())
        return;
    hideControls();
}

void VelmoPlayerApp::handleKey(QKeyEvent* event) {
    // The physical key decides, whatever the layout; modifiers are not looked
    // at and a held key acts again at every repeat.
    switch (keyActionFor(*event)) {
    case KeyAction::TogglePlay:
        togglePlay();
        break;
    case KeyAction::SkipBack:
        skipBack();
        break;
    case KeyAction::SkipForward:
        skipForward();
        break;
    case KeyAction::VolumeUp:
        applyVolume(double(volume) + 0.05);
        showControls();
        break;
    case KeyAction::VolumeDown:
        applyVolume(double(volume) - 0.05);
        showControls();
        break;
    case KeyAction::ToggleMute:
        toggleMute();
        break;
    case KeyAction::ToggleFullscreen:
        toggleFullscreen();
        break;
    case KeyAction::ToggleSubtitles:
        toggleSubtitles();
        break;
    case KeyAction::Escape:
        if (window->isFullScreen())
            window->showNormal();
        else
            closeWindow();
        break;
    case KeyAction::None:
        break;
    }
}

void VelmoPlayerApp::toggleFullscreen() {
    const bool wanted = !window->isFullScreen();
    setFullscreen(window, wanted);
    // A window manager taking the window on while its state changes can miss
    // the change and hand back the old state. Once the window shows, ask again
    // if the state did not hold (and no later request came meanwhile).
    const QWindow* native = window->windowHandle();
    if (native == nullptr || native->isExposed() || !window->isVisible())
        return;
    reassertWhenShown(this, wanted, ++fullscreenRequests, 100); // for five seconds at most
}

void VelmoPlayerApp::windowFullscreenChanged() {
    const bool full = window->isFullScreen();
    fullscreenButton->setSymbol(full ? QStringLiteral("arrow.down.right.and.arrow.up.left")
                                     : QStringLiteral("arrow.up.left.and.arrow.down.right"),
                                14);
    showControls();
    layoutUI();
}

void VelmoPlayerApp::showToast(const QString& text) {
    if (toastTimer_ == nullptr) {
        toastTimer_ = new QTimer(this);
        toastTimer_->setSingleShot(true);
        toastTimer_->setTimerType(Qt::PreciseTimer);
        connect(toastTimer_, &QTimer::timeout, this, [this] { hideToast(); });
        auto* effect = new QGraphicsOpacityEffect(toastLabel);
        toastLabel->setGraphicsEffect(effect);
        toastFade_ = new QPropertyAnimation(effect, "opacity", this);
        toastFade_->setDuration(kToastFade);
        toastFade_->setEndValue(0.0);
        connect(toastFade_, &QPropertyAnimation::finished, toastLabel, &QLabel::hide);
    }
    // A new toast replaces the one shown, also one that is fading out.
    toastFade_->stop();
    static_cast<QGraphicsOpacityEffect*>(toastLabel->graphicsEffect())->setOpacity(1.0);
    toastLabel->setText(text);
    toastLabel->show();
    toastLabel->raise();
    toastTimer_->start(kToastShown);
}

int VelmoPlayerApp::toastRemaining() const {
    return toastTimer_ != nullptr && toastTimer_->isActive() ? toastTimer_->remainingTime() : -1;
}

void VelmoPlayerApp::hideToast() {
    if (toastFade_ == nullptr)
        return;
    toastFade_->setStartValue(1.0);
    toastFade_->start();
}

} // namespace velmo
