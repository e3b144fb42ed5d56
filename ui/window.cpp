// The player window and its view tree, back to front: the video, the bars with
// their controls, then the centre button, spinner, loading, error and toast
// texts over the picture.

#include "host/controller.h"
#include "host/texts.h"
#include "ui/clock.h"
#include "ui/icon_button.h"
#include "ui/player_window.h"
#include "ui/spinner.h"
#include "ui/velmo_slider.h"
#include "ui/video_view.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace velmo {

namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, const QColor& color, bool semibold,
                  double size) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(size);
    font.setWeight(semibold ? QFont::DemiBold : QFont::Normal);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
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
    content = window;

    video = new VideoView(content);

    topBar = makeBar(content, 56);
    auto* close = makeButton(topBar, QStringLiteral("xmark"), text::kTipClose(), 13);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &IconButton::clicked, this, [this] { closeWindow(); });
    titleLabel = makeLabel(topBar, QString(), Qt::white, true, 13);
    titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
    titleLabel->setWordWrap(false);
    subtitleLabel = makeLabel(topBar, QString(), QColor::fromRgbF(0.7f, 0.7f, 0.7f), false, 11);
    subtitleLabel->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
    subtitleLabel->setWordWrap(false);
    settingsButton = makeButton(topBar, QStringLiteral("gearshape.fill"), text::kStyleTitle(), 15);
    fullscreenButton = makeButton(topBar, QStringLiteral("arrow.up.left.and.arrow.down.right"),
                                  text::kFullscreen(), 14);
    connect(fullscreenButton, &IconButton::clicked, this, [this] { toggleFullscreen(); });

    bottomBar = makeBar(content, 78);
    playButton = makeButton(bottomBar, QStringLiteral("play.fill"), text::kTipPlay(), 19);
    connect(playButton, &IconButton::clicked, this, [this] { togglePlay(); });
    setPlaySymbol(QStringLiteral("play.fill"));
    const QColor timeColor = QColor::fromRgbF(0.85f, 0.85f, 0.85f);
    currentLabel = makeLabel(bottomBar, QStringLiteral("00:00"), timeColor, false, 11.5);
    auto* slider = new VelmoSlider(bottomBar);
    positionSlider = slider;
    connect(slider, &VelmoSlider::userMoved, this, [this] { positionChanged(); });
    durationLabel = makeLabel(bottomBar, QStringLiteral("00:00"), timeColor, false, 11.5);
    liveBadge =
        makeLabel(bottomBar, text::kLiveBadge(), QColor::fromRgbF(1.0f, 0.36f, 0.32f), true, 10.5);
    liveBadge->hide();
    volumeButton =
        makeButton(bottomBar, QStringLiteral("speaker.wave.2.fill"), text::kTipMute(), 13);
    connect(volumeButton, &IconButton::clicked, this, [this] { toggleMute(); });
    volumeSlider = new QSlider(Qt::Horizontal, bottomBar);
    volumeSlider->setRange(0, 100);
    volumeSlider->setValue(100);
    volumeSlider->setFocusPolicy(Qt::NoFocus);
    connect(volumeSlider, &QSlider::sliderMoved, this, [this] { volumeChanged(); });
    connect(volumeSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, [this] { volumeChanged(); });
    });

    centerButton = makeButton(content, QStringLiteral("play.fill"), text::kTipPlay(), 46);
    centerButton->setTint(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.92f));
    connect(centerButton, &IconButton::clicked, this, [this] { togglePlay(); });
    centerButton->hide();
    spinner = new Spinner(content);
    spinner->hide();
    loadingLabel = makeLabel(content, text::kLoading(), timeColor, false, 12);
    loadingLabel->hide();
    errorLabel = makeLabel(content, QString(), Qt::white, true, 13);
    errorLabel->setAutoFillBackground(true);
    QPalette errorPalette = errorLabel->palette();
    errorPalette.setColor(QPalette::Window, QColor::fromRgbF(0.6f, 0.1f, 0.1f, 0.85f));
    errorLabel->setPalette(errorPalette);
    errorLabel->hide();
    toastLabel = makeLabel(content, QString(), Qt::white, true, 12.5);
    toastLabel->setAutoFillBackground(true);
    QPalette toastPalette = toastLabel->palette();
    toastPalette.setColor(QPalette::Window, QColor::fromRgbF(0.05f, 0.05f, 0.05f, 0.85f));
    toastLabel->setPalette(toastPalette);
    toastLabel->hide();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
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
    if (content == nullptr)
        return;
    const int w = content->width();
    const int h = content->height();
    video->setGeometry(0, 0, w, h);
    topBar->setGeometry(0, 0, w, 56);
    bottomBar->setGeometry(0, h - 78, w, 78);
    if (auto* close = topBar->findChild<IconButton*>(QStringLiteral("closeButton")))
        close->setGeometry(14, 15, 24, 24);
    fullscreenButton->setGeometry(w - 42, 15, 24, 24);
    settingsButton->setGeometry(w - 76, 15, 24, 24);
    const int titleWidth = std::max(120, w - 58);
    titleLabel->setGeometry(48, 9, titleWidth, 18);
    subtitleLabel->setGeometry(48, 30, titleWidth, 15);
    playButton->setGeometry(16, 26, 30, 30);
    currentLabel->setGeometry(122, 31, 58, 20);
    const int right = w - 16;
    volumeSlider->setGeometry(right - 82, 32, 82, 20);
    volumeButton->setGeometry(right - 114, 30, 24, 24);
    durationLabel->setGeometry(right - 186, 31, 62, 20);
    positionSlider->setGeometry(188, 31, std::max(120, right - 194 - 188), 20);
    liveBadge->setGeometry(w - 96, 30, 78, 22);
    centerButton->setGeometry(w / 2 - 40, h / 2 - 40, 80, 80);
    spinner->setGeometry(w / 2 - 20, h / 2 - 20, 40, 40);
    loadingLabel->setGeometry(w / 2 - 150, h / 2 + 30, 300, 22);
    errorLabel->setGeometry(int(0.15 * w), h / 2 - 40, int(0.7 * w), 90);
    toastLabel->setGeometry(w / 2 - 120, 88, 240, 30);
}

void VelmoPlayerApp::setPlaySymbol(const QString& symbol) {
    playButton->setSymbol(symbol, 19);
}

} // namespace velmo
