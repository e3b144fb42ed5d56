#include "ui/player_window.h"

#include "common/delays.h"
#include "common/texts.h"
#include "subtitles/font_lookup.h"
#include "subtitles/overlay.h"
#include "ui/bottom_bar.h"
#include "ui/controls_visibility.h"
#include "ui/icon_button.h"
#include "ui/keys.h"
#include "ui/layout.h"
#include "ui/menu_chip.h"
#include "ui/root_view.h"
#include "ui/spinner.h"
#include "ui/text_label.h"
#include "ui/toast.h"
#include "ui/top_bar.h"
#include "ui/video_view.h"
#include "ui/widget_factory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace velmo {

namespace {
// The subtitle text keeps clear of the bottom bar while it shows.
constexpr double kSubtitleInsetShown = 100;
constexpr double kSubtitleInsetHidden = 64;
} // namespace

PlayerWindow::PlayerWindow(std::function<double()> clock, QWidget* parent)
    : QWidget(parent), clock_(std::move(clock)) {
    setObjectName(QStringLiteral("playerWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setWindowTitle(QStringLiteral("Velmo"));
    setMinimumSize(720, 405);
    resize(1280, 720);
    setWindowFlag(Qt::FramelessWindowHint);

    root_ = new PlayerRootView(this);
    root_->setObjectName(QStringLiteral("rootView"));
    root_->setApp(this);
    root_->resize(size());
    video_ = new VideoView(root_);
    video_->setObjectName(QStringLiteral("videoView"));
    video_->setAttribute(Qt::WA_TransparentForMouseEvents);
    overlay_ = new SubtitleOverlayView(root_);
    overlay_->setObjectName(QStringLiteral("subtitleOverlay"));
    top_ = new TopBar(root_);
    bottom_ = new BottomBar(root_);
    buildOverlays();
    connectBars();
    buildMenu();
    setSubtitleStyle(SubtitleStyle());
    layoutChildren();
}

PlayerWindow::~PlayerWindow() {
    root_->setApp(nullptr);
}

void PlayerWindow::buildOverlays() {
    const QColor timeColor = QColor::fromRgbF(0.85f, 0.85f, 0.85f);
    centre_ = new IconButton(QStringLiteral("play.fill"), text::kTipPlay(), 46, root_);
    centre_->setObjectName(QStringLiteral("centerButton"));
    centre_->setTint(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.92f));
    connect(centre_, &IconButton::clicked, this, &PlayerWindow::togglePlayRequested);
    centre_->hide();
    spinner_ = new Spinner(root_);
    spinner_->setObjectName(QStringLiteral("spinner"));
    spinner_->hide();
    loading_ = makeLabel(root_, text::kLoading(), timeColor, false, 12);
    loading_->setObjectName(QStringLiteral("loadingLabel"));
    loading_->hide();
    error_ = makeLabel(root_, QString(), Qt::white, true, 13);
    error_->setObjectName(QStringLiteral("errorLabel"));
    error_->setMaxLines(4);
    error_->setBackground(QColor::fromRgbF(0.6f, 0.1f, 0.1f, 0.85f), 10);
    error_->hide();
    toast_ = new Toast(root_);
}

void PlayerWindow::connectBars() {
    connect(top_, &TopBar::closeClicked, this, &PlayerWindow::closeRequested);
    connect(top_, &TopBar::styleClicked, this,
            [this] { emit stylePanelRequested(top_->styleButton()); });
    connect(top_, &TopBar::fullscreenClicked, this, &PlayerWindow::toggleFullscreen);
    connect(bottom_, &BottomBar::playClicked, this, &PlayerWindow::togglePlayRequested);
    connect(bottom_, &BottomBar::skipClicked, this, [this](double seconds) {
        emit skipRequested(seconds);
        showControls();
    });
    connect(bottom_, &BottomBar::positionDragged, this, &PlayerWindow::positionDragged);
    connect(bottom_, &BottomBar::volumeMoved, this, &PlayerWindow::volumeRequested);
    connect(bottom_, &BottomBar::muteClicked, this, &PlayerWindow::muteRequested);
}

void PlayerWindow::buildMenu() {
    // There is no menu bar: the application's items are offered in a context
    // menu over the picture, and their shortcuts live on the window so that
    // they are taken before the picture's own key handling sees the key.
    root_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto add = [this](const QString& title, const QKeySequence& shortcut,
                      std::function<void()> run) {
        auto* action = new QAction(title, root_);
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, std::move(run));
        root_->addAction(action);
    };
    auto separator = [this] {
        auto* line = new QAction(root_);
        line->setSeparator(true);
        root_->addAction(line);
    };
    add(text::kMenuAbout().arg(QStringLiteral("Velmo Player")), {}, [this] {
        QMessageBox::about(this, QStringLiteral("Velmo Player"),
                           QStringLiteral("Velmo Player %1").arg(QStringLiteral(VELMO_VERSION)));
    });
    separator();
    add(text::kMenuHide(), QKeySequence(Qt::CTRL | Qt::Key_H), [this] { showMinimized(); });
    separator();
    add(text::kMenuQuit(), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { emit quitRequested(); });
    separator();
    add(text::kFullscreen(), QKeySequence(Qt::CTRL | Qt::META | Qt::Key_F),
        [this] { toggleFullscreen(); });
    add(text::kMenuClose(), QKeySequence(Qt::CTRL | Qt::Key_W), [this] { emit closeRequested(); });
}

void PlayerWindow::present() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    root_->setFocus();
    layoutChildren();
    lastActivity_ = clock_();
    if (tickTimer_ == nullptr) {
        tickTimer_ = new QTimer(this);
        connect(tickTimer_, &QTimer::timeout, this, &PlayerWindow::tick);
    }
    tickTimer_->start(delay::kControlsTick);
}

void PlayerWindow::stopTimers() {
    if (tickTimer_ != nullptr)
        tickTimer_->stop();
}

void PlayerWindow::showPlayback(const PlaybackState& state) {
    state_ = state;
    bottom_->showPlayback(state);
    centre_->setVisible(state.paused && state.error.isEmpty());
    centre_->setSymbol(state.ended ? QStringLiteral("arrow.counterclockwise")
                                   : QStringLiteral("play.fill"),
                       46);
    loading_->setVisible(state.loading);
    spinner_->setVisible(state.spinning);
    if (state.spinning)
        spinner_->startAnimation();
    else
        spinner_->stopAnimation();
    if (state.error.isEmpty()) {
        error_->hide();
    } else {
        error_->setText(state.error);
        error_->show();
        error_->raise();
    }
}

void PlayerWindow::showVolume(float volume) {
    bottom_->showVolume(volume);
}

void PlayerWindow::setTitles(const std::optional<QString>& title, const QString& subtitle) {
    setWindowTitle(title.value_or(QStringLiteral("Velmo")));
    top_->setTitles(title.value_or(QString()), subtitle);
}

void PlayerWindow::applyMenu(MenuChip* chip, const Menu& menu) {
    auto* items = new QMenu;
    for (const MenuEntry& entry : menu.entries) {
        if (entry.separator) {
            items->addSeparator();
            continue;
        }
        QAction* action = items->addAction(entry.title);
        action->setCheckable(true);
        action->setChecked(entry.checked);
        if (entry.choose)
            connect(action, &QAction::triggered, items, entry.choose);
    }
    chip->setMenu(items);
    chip->setTitle(menu.chipTitle);
    // A chip's width follows its title.
    layoutChildren();
}

void PlayerWindow::setQualityMenu(const Menu& menu) {
    applyMenu(top_->qualityChip(), menu);
}

void PlayerWindow::setAudioMenu(const Menu& menu) {
    applyMenu(top_->audioChip(), menu);
}

void PlayerWindow::setSubtitleMenu(const Menu& menu) {
    applyMenu(top_->subtitleChip(), menu);
}

void PlayerWindow::setRateMenu(const Menu& menu) {
    applyMenu(bottom_->rateChip(), menu);
}

void PlayerWindow::showToast(const QString& text) {
    toast_->show(text);
}

void PlayerWindow::setSubtitleCue(std::shared_ptr<const SubtitleCue> cue) {
    overlay_->setCue(std::move(cue));
}

void PlayerWindow::setSubtitleStyle(const SubtitleStyle& style) {
    overlay_->setFont(ResolveFont(style.font, style.size));
    overlay_->setTextColor(style.textColor());
    overlay_->setBoxColor(style.backgroundColor());
    overlay_->setBoxOpacity(style.backgroundOpacity);
    overlay_->setOutline(style.outline());
    overlay_->refresh();
}

VideoSink* PlayerWindow::videoSink() const {
    return video_->sink();
}

QWidget* PlayerWindow::styleButton() const {
    return top_->styleButton();
}

void PlayerWindow::setSubtitleInset(double inset) {
    overlay_->setBottomInset(inset);
    overlay_->refresh();
}

void PlayerWindow::showControls() {
    lastActivity_ = clock_();
    root_->showPointer();
    if (!hidden_)
        return;
    hidden_ = false;
    top_->show();
    bottom_->show();
    setSubtitleInset(kSubtitleInsetShown);
}

void PlayerWindow::hideControls() {
    if (hidden_)
        return;
    hidden_ = true;
    top_->hide();
    bottom_->hide();
    setSubtitleInset(kSubtitleInsetHidden);
    // In fullscreen the pointer goes with the bars until the mouse moves. It is
    // the window's pointer, not the application's: a menu keeps its own.
    if (isFullScreen())
        root_->hidePointerUntilMoved();
}

void PlayerWindow::tick() {
    // While a menu is open the pointer moves over the menu, not the window:
    // its chip and bar stay until it is closed.
    const bool held = QApplication::activePopupWidget() != nullptr || (held_ && held_());
    if (shouldHideControls(
            {state_.started, state_.paused, hidden_, clock_() - lastActivity_, held}))
        hideControls();
}

void PlayerWindow::mouseActivity() {
    showControls();
}

void PlayerWindow::toggleControls() {
    if (hidden_ || state_.paused)
        showControls();
    else
        hideControls();
}

void PlayerWindow::handleKey(QKeyEvent* event) {
    // The physical key decides, whatever the layout; modifiers are not looked
    // at and a held key acts again at every repeat.
    switch (keyActionFor(*event)) {
    case KeyAction::TogglePlay:
        emit togglePlayRequested();
        break;
    case KeyAction::SkipBack:
        emit skipRequested(-BottomBar::kSkipSeconds);
        showControls();
        break;
    case KeyAction::SkipForward:
        emit skipRequested(BottomBar::kSkipSeconds);
        showControls();
        break;
    case KeyAction::VolumeUp:
        emit volumeStepRequested(0.05);
        showControls();
        break;
    case KeyAction::VolumeDown:
        emit volumeStepRequested(-0.05);
        showControls();
        break;
    case KeyAction::ToggleMute:
        emit muteRequested();
        break;
    case KeyAction::ToggleFullscreen:
        toggleFullscreen();
        break;
    case KeyAction::ToggleSubtitles:
        emit subtitleToggleRequested();
        break;
    case KeyAction::Escape:
        if (isFullScreen())
            showNormal();
        else
            emit closeRequested();
        break;
    case KeyAction::None:
        break;
    }
}

void PlayerWindow::setFullscreen(bool fullscreen) {
    if (fullscreen)
        showFullScreen();
    else
        showNormal();
}

void PlayerWindow::toggleFullscreen() {
    const bool wanted = !isFullScreen();
    setFullscreen(wanted);
    // A window manager taking the window on while its state changes can miss
    // the change and hand back the old state. Once the window shows, ask again
    // if the state did not hold (and no later request came meanwhile).
    const QWindow* native = windowHandle();
    if (native == nullptr || native->isExposed() || !isVisible())
        return;
    reassertWhenShown(wanted, ++fullscreenRequests_, 100); // for five seconds at most
}

void PlayerWindow::reassertWhenShown(bool wanted, int request, int triesLeft) {
    if (request != fullscreenRequests_)
        return;
    const QWindow* native = windowHandle();
    if (native != nullptr && !native->isExposed() && isVisible()) {
        if (triesLeft > 0)
            QTimer::singleShot(50, this, [this, wanted, request, triesLeft] {
                reassertWhenShown(wanted, request, triesLeft - 1);
            });
        return;
    }
    if (isFullScreen() != wanted)
        setFullscreen(wanted);
}

void PlayerWindow::fullscreenChanged() {
    top_->showFullscreen(isFullScreen());
    showControls();
    layoutChildren();
}

void PlayerWindow::layoutChildren() {
    root_->setGeometry(rect());
    const double w = root_->width();
    const double h = root_->height();
    const WindowFrames f = layoutFrames(
        w, h,
        {top_->qualityChip()->fittedWidth(), top_->audioChip()->fittedWidth(),
         top_->subtitleChip()->fittedWidth(), bottom_->rateChip()->fittedWidth()});
    video_->setGeometry(pixelGeometry(f.video));
    overlay_->setGeometry(pixelGeometry(f.video));
    top_->setGeometry(pixelGeometry(f.topBar));
    bottom_->setGeometry(pixelGeometry(f.bottomBar));
    top_->place(f);
    bottom_->place(f);
    centre_->setGeometry(pixelGeometry(f.centerButton));
    spinner_->setGeometry(pixelGeometry(f.spinner));
    loading_->setGeometry(pixelGeometry(f.loadingLabel));
    error_->setGeometry(pixelGeometry(f.errorLabel));
    toast_->label()->setGeometry(pixelGeometry(f.toastLabel));
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

void PlayerWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void PlayerWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        fullscreenChanged();
}

} // namespace velmo
