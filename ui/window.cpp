// The player window and its view tree, back to front: the video, the bars with
// their controls, then the centre button, spinner, loading, error and toast
// texts over the picture.

#include "host/controller.h"
#include "common/texts.h"
#include "subtitles/overlay.h"
#include "ui/cached_slider.h"
#include "ui/clock.h"
#include "ui/fonts.h"
#include "ui/icon_button.h"
#include "ui/layout.h"
#include "ui/menu_chip.h"
#include "ui/player_window.h"
#include "ui/root_view.h"
#include "ui/spinner.h"
#include "ui/text_label.h"
#include "ui/velmo_slider.h"
#include "ui/video_view.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace velmo {

namespace {

TextLabel* makeLabel(QWidget* parent, const QString& text, const QColor& color, bool semibold,
                     double size) {
    auto* label = new TextLabel(text, parent);
    label->setFont(uiFont(size, semibold ? QFont::DemiBold : QFont::Normal));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setMaxLines(2);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

IconButton* makeButton(QWidget* parent, const QString& symbol, const QString& tooltip,
                       double pointSize) {
    return new IconButton(symbol, tooltip, pointSize, parent);
}

QWidget* makeBar(QWidget* parent, int height) {
    auto* bar = new QWidget(parent);
    bar->resize(100, height);
    bar->setAutoFillBackground(true);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, QColor::fromRgbF(0.03f, 0.03f, 0.03f, 0.72f));
    bar->setPalette(p);
    return bar;
}

} // namespace

void VelmoPlayerApp::buildWindow() {
    window = new PlayerWindow;
    window->setWindowTitle(QStringLiteral("Velmo"));
    window->setMinimumSize(720, 405);
    window->resize(1280, 720);
    window->onClose = [this] {
        windowWillClose();
    };
    window->onResize = [this] {
        layoutUI();
    };
    window->onFullscreenChanged = [this] {
        windowFullscreenChanged();
    };
    window->setWindowFlag(Qt::FramelessWindowHint);
    auto* root = new PlayerRootView(window);
    root->setApp(this);
    root->resize(window->size());
    content = root;

    video = new VideoView(content);
    video->setAttribute(Qt::WA_TransparentForMouseEvents);
    subtitle = new SubtitleOverlayView(content);

    topBar = makeBar(content, 56);
    auto* close = makeButton(topBar, QStringLiteral("xmark"), text::kTipClose(), 13);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &IconButton::clicked, this, [this] { closeWindow(); });
    auto* title = makeLabel(topBar, QString(), Qt::white, true, 13);
    title->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
    title->setMaxLines(1);
    titleLabel = title;
    auto* subtitleText =
        makeLabel(topBar, QString(), QColor::fromRgbF(0.7f, 0.7f, 0.7f), false, 11);
    subtitleText->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
    subtitleText->setMaxLines(1);
    subtitleLabel = subtitleText;
    const QIcon chevron(symbolPixmap(QStringLiteral("chevron.down"), QSizeF(12, 12),
                                     QColor::fromRgbF(0.7f, 0.7f, 0.7f), 2.0));
    auto makeChip = [&chevron](const QString& title, QWidget* parent) {
        auto* chip = new MenuChip(title, parent);
        chip->setChevron(chevron);
        return chip;
    };
    qualityPopup = makeChip(text::kQuality(), topBar);
    audioPopup = makeChip(text::kAudio(), topBar);
    subtitlePopup = makeChip(text::kSubtitle(), topBar);
    settingsButton = makeButton(topBar, QStringLiteral("gearshape.fill"), text::kStyleTitle(), 15);
    connect(settingsButton, &IconButton::clicked, this, [this] { showStylePanel(settingsButton); });
    fullscreenButton = makeButton(topBar, QStringLiteral("arrow.up.left.and.arrow.down.right"),
                                  text::kFullscreen(), 14);
    connect(fullscreenButton, &IconButton::clicked, this, [this] { toggleFullscreen(); });

    bottomBar = makeBar(content, 78);
    playButton = makeButton(bottomBar, QStringLiteral("play.fill"), text::kTipPlay(), 19);
    connect(playButton, &IconButton::clicked, this, [this] { togglePlay(); });
    skipBackButton_ =
        makeButton(bottomBar, QStringLiteral("gobackward.10"), text::kTipSkipBack(), 16);
    connect(skipBackButton_, &IconButton::clicked, this, [this] { skipBack(); });
    skipForwardButton_ =
        makeButton(bottomBar, QStringLiteral("goforward.10"), text::kTipSkipForward(), 16);
    connect(skipForwardButton_, &IconButton::clicked, this, [this] { skipForward(); });
    setPlaySymbol(QStringLiteral("play.fill"));
    const QColor timeColor = QColor::fromRgbF(0.85f, 0.85f, 0.85f);
    // Digits of one width, so that the clock text keeps still as it counts.
    const QFont timeFont = clockFont(11.5, QFont::Medium);
    currentLabel = makeLabel(bottomBar, QStringLiteral("00:00"), timeColor, false, 11.5);
    currentLabel->setFont(timeFont);
    auto* slider = new VelmoSlider(bottomBar);
    positionSlider = slider;
    connect(slider, &VelmoSlider::userMoved, this, [this] { positionChanged(); });
    durationLabel = makeLabel(bottomBar, QStringLiteral("00:00"), timeColor, false, 11.5);
    durationLabel->setFont(timeFont);
    auto* badge =
        makeLabel(bottomBar, text::kLiveBadge(), QColor::fromRgbF(1.0f, 0.36f, 0.32f), true, 10.5);
    badge->setBackground(QColor::fromRgbF(0, 0, 0, 0.5f), 4);
    liveBadge = badge;
    liveBadge->hide();
    volumeButton =
        makeButton(bottomBar, QStringLiteral("speaker.wave.2.fill"), text::kTipMute(), 13);
    connect(volumeButton, &IconButton::clicked, this, [this] { toggleMute(); });
    volumeSlider = new CachedSlider(Qt::Horizontal, bottomBar);
    volumeSlider->setRange(0, 100);
    volumeSlider->setValue(100);
    volumeSlider->setFocusPolicy(Qt::NoFocus);
    connect(volumeSlider, &QSlider::sliderMoved, this, [this] { volumeChanged(); });
    connect(volumeSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, [this] { volumeChanged(); });
    });

    ratePopup = makeChip(text::kRate(), bottomBar);
    rebuildRateMenu();

    centerButton = makeButton(content, QStringLiteral("play.fill"), text::kTipPlay(), 46);
    centerButton->setTint(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.92f));
    connect(centerButton, &IconButton::clicked, this, [this] { togglePlay(); });
    centerButton->hide();
    spinner = new Spinner(content);
    spinner->hide();
    loadingLabel = makeLabel(content, text::kLoading(), timeColor, false, 12);
    loadingLabel->hide();
    auto* error = makeLabel(content, QString(), Qt::white, true, 13);
    error->setMaxLines(4);
    error->setBackground(QColor::fromRgbF(0.6f, 0.1f, 0.1f, 0.85f), 10);
    error->hide();
    errorLabel = error;
    auto* toast = makeLabel(content, QString(), Qt::white, true, 12.5);
    toast->setBackground(QColor::fromRgbF(0.05f, 0.05f, 0.05f, 0.85f), 8);
    toast->hide();
    toastLabel = toast;

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    content->setFocus();
    layoutUI();

    lastMouse = clock();
    uiTimer = new QTimer(this);
    connect(uiTimer, &QTimer::timeout, this, [this] { tickUI(); });
    uiTimer->start(250);
    progressTimer = new QTimer(this);
    connect(progressTimer, &QTimer::timeout, this, [this] { tickProgress(); });
    progressTimer->start(500);
}

void VelmoPlayerApp::layoutUI() {
    // The first call comes while the bars are still being built: skip until
    // every view exists.
    if (content == nullptr || toastLabel == nullptr || ratePopup == nullptr)
        return;
    content->setGeometry(window->rect());
    const double w = content->width();
    const double h = content->height();
    const WindowFrames f = layoutFrames(w, h,
                                        {qualityPopup->fittedWidth(), audioPopup->fittedWidth(),
                                         subtitlePopup->fittedWidth(), ratePopup->fittedWidth()});
    video->setGeometry(qtGeometry(f.video, h));
    subtitle->setGeometry(qtGeometry(f.video, h));
    topBar->setGeometry(qtGeometry(f.topBar, h));
    bottomBar->setGeometry(qtGeometry(f.bottomBar, h));
    auto top = [&](QWidget* view, const QRectF& frame) {
        view->setGeometry(qtGeometry(frame, 56));
    };
    auto bottom = [&](QWidget* view, const QRectF& frame) {
        view->setGeometry(qtGeometry(frame, 78));
    };
    top(topBar->findChild<IconButton*>(QStringLiteral("closeButton")), f.closeButton);
    top(fullscreenButton, f.fullscreenButton);
    top(settingsButton, f.settingsButton);
    top(subtitlePopup, f.subtitlePopup);
    top(audioPopup, f.audioPopup);
    top(qualityPopup, f.qualityPopup);
    top(titleLabel, f.titleLabel);
    top(subtitleLabel, f.subtitleLabel);
    bottom(playButton, f.playButton);
    bottom(skipBackButton_, f.skipBackButton);
    bottom(skipForwardButton_, f.skipForwardButton);
    bottom(currentLabel, f.currentLabel);
    bottom(ratePopup, f.ratePopup);
    bottom(volumeSlider, f.volumeSlider);
    bottom(volumeButton, f.volumeButton);
    bottom(durationLabel, f.durationLabel);
    bottom(positionSlider, f.positionSlider);
    bottom(liveBadge, f.liveBadge);
    centerButton->setGeometry(qtGeometry(f.centerButton, h));
    spinner->setGeometry(qtGeometry(f.spinner, h));
    loadingLabel->setGeometry(qtGeometry(f.loadingLabel, h));
    errorLabel->setGeometry(qtGeometry(f.errorLabel, h));
    toastLabel->setGeometry(qtGeometry(f.toastLabel, h));
}

void VelmoPlayerApp::setPlaySymbol(const QString& symbol) {
    playButton->setSymbol(symbol, 19);
}

} // namespace velmo
