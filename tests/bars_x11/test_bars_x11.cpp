// The control bars as a user sees them: the real player, fullscreen on a real X
// server, playing a bright clip whose picture moves sideways and is the same in
// every row. Because every row of the picture is alike, the row just outside a
// bar shows what the video under the bar looks like in the same shot, so the
// shading can be checked pixel by pixel: 72 % of grey 0.03 over the video.
//
// Screenshots are kept in bars_x11_shots/ in the test's build folder.

#include "tests/e2e/http_server.h"
#include "ui/layout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <QCursor>

#include <X11/Xlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using velmo::e2e::HttpServer;

namespace {

constexpr int kClipSeconds = 40;
constexpr double kBarAlpha = 0.72;
constexpr double kBarGrey = 0.03 * 255;

// Columns are sampled this far apart; the picture changes slowly across them.
constexpr int kColumnStep = 3;

QString generateStripes(const QString& path) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return QStringLiteral("ffmpeg is not installed (scripts/deps installs it)");
    // Colour waves 480 screen pixels long, moving right at 240 screen pixels a
    // second once scaled to 1920 × 1080, never darker than 60 of 255.
    const QString wave = QStringLiteral("150+90*sin(2*PI*(X/80-T/2)+%1)");
    const QString graph = QStringLiteral("color=c=black:s=320x180:r=25:d=%1,format=gbrp,"
                                         "geq=r='%2':g='%3':b='%4'")
                              .arg(kClipSeconds)
                              .arg(wave.arg(0), wave.arg(2.1), wave.arg(4.2));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(ffmpeg,
                  {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", graph, "-c:v", "libx264",
                   "-preset", "ultrafast", "-g", "25", "-pix_fmt", "yuv420p", path});
    if (!process.waitForFinished(120000))
        return QStringLiteral("ffmpeg did not finish: %1").arg(process.errorString());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("ffmpeg failed: %1").arg(QString::fromLocal8Bit(process.readAll()));
    return {};
}

// Rows of a bar (in its own top-down coordinates) that no control of the bar
// touches, with a margin: there only the bar's own background lies over the video.
std::vector<int> freeRows(int barHeight, const std::vector<QRectF>& children) {
    std::vector<int> rows;
    for (int y = 0; y < barHeight; ++y) {
        bool free = true;
        for (const QRectF& child : children) {
            const QRect r = velmo::pixelGeometry(child);
            if (y >= r.top() - 3 && y <= r.bottom() + 3)
                free = false;
        }
        if (free)
            rows.push_back(y);
    }
    return rows;
}

struct Bar {
    const char* name;
    QRect rect;            // on screen
    std::vector<int> rows; // screen rows inside the bar that only the bar covers
    int referenceRow;      // a screen row of bare video next to the bar
};

// What a set of bar pixels looks like against the bare video of the same columns.
struct Shading {
    double barMean = 0;        // mean channel value inside the bar
    double videoMean = 0;      // mean channel value of the video next to it
    double barSpread = 0;      // standard deviation across the bar's samples
    double blendError = 0;     // mean |bar − (bar colour blended over the video)|
    double bareDifference = 0; // mean |bar − video|
};

Shading measure(const QImage& shot, const Bar& bar) {
    Shading s;
    double sum = 0, sumSquares = 0, videoSum = 0, blend = 0, bare = 0;
    int n = 0;
    for (int y : bar.rows) {
        for (int x = bar.rect.left(); x <= bar.rect.right(); x += kColumnStep) {
            const QRgb in = shot.pixel(x, y);
            const QRgb video = shot.pixel(x, bar.referenceRow);
            for (int c = 0; c < 3; ++c) {
                const int shift = 16 - 8 * c;
                const double b = (in >> shift) & 0xff;
                const double v = (video >> shift) & 0xff;
                sum += b;
                sumSquares += b * b;
                videoSum += v;
                blend += std::abs(b - ((1 - kBarAlpha) * v + kBarAlpha * kBarGrey));
                bare += std::abs(b - v);
                ++n;
            }
        }
    }
    s.barMean = sum / n;
    s.videoMean = videoSum / n;
    s.barSpread = std::sqrt(std::max(0.0, sumSquares / n - s.barMean * s.barMean));
    s.blendError = blend / n;
    s.bareDifference = bare / n;
    return s;
}

// Mean |a − b| over a bar's rows in two shots.
double change(const QImage& a, const QImage& b, const Bar& bar) {
    double sum = 0;
    int n = 0;
    for (int y : bar.rows)
        for (int x = bar.rect.left(); x <= bar.rect.right(); x += kColumnStep) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
            n += 3;
        }
    return sum / n;
}

// The pointer as the X server shows it: 1 when its image has a visible pixel,
// 0 when it is blank, -1 when the server cannot say. XFixes is loaded at run
// time: its library comes with every X server, its headers not.
int pointerVisible() {
    struct CursorImage {
        short x, y;
        unsigned short width, height, xhot, yhot;
        unsigned long serial;
        unsigned long* pixels;
        Atom atom;
        const char* name;
    };
    static void* fixes = dlopen("libXfixes.so.3", RTLD_NOW);
    if (fixes == nullptr)
        return -1;
    using QueryVersion = int (*)(Display*, int*, int*);
    using GetCursorImage = CursorImage* (*)(Display*);
    auto queryVersion = reinterpret_cast<QueryVersion>(dlsym(fixes, "XFixesQueryVersion"));
    auto getCursorImage = reinterpret_cast<GetCursorImage>(dlsym(fixes, "XFixesGetCursorImage"));
    Display* display = XOpenDisplay(nullptr);
    if (queryVersion == nullptr || getCursorImage == nullptr || display == nullptr) {
        if (display != nullptr)
            XCloseDisplay(display);
        return -1;
    }
    int major = 4, minor = 0;
    int visible = -1;
    if (queryVersion(display, &major, &minor) && major >= 1) {
        if (CursorImage* image = getCursorImage(display)) {
            visible = 0;
            for (int i = 0; i < image->width * image->height; ++i)
                if ((image->pixels[i] >> 24) & 0xff)
                    visible = 1;
            XFree(image);
        }
    }
    XCloseDisplay(display);
    return visible;
}

QString describe(const Shading& s) {
    return QStringLiteral("bar mean %1, video mean %2, bar spread %3, blend error %4, "
                          "bare difference %5")
        .arg(s.barMean, 0, 'f', 1)
        .arg(s.videoMean, 0, 'f', 1)
        .arg(s.barSpread, 0, 'f', 1)
        .arg(s.blendError, 0, 'f', 1)
        .arg(s.bareDifference, 0, 'f', 1);
}

} // namespace

class BarsX11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void barsShadeTheMovingVideo();
    void barsGoAfterThreeSecondsWithoutActivity();
    void pointerGoesWithTheBarsInFullscreen();
    void cleanupTestCase();

private:
    QImage shot(const QString& name);
    // Moves the pointer over the picture: activity, as a user's hand would make.
    void nudgePointer();
    double lastPosition() const;

    QTemporaryDir media_;
    std::unique_ptr<HttpServer> server_;
    QProcess player_;
    QByteArray pending_;
    QList<QJsonObject> events_;
    QDir shots_;
    QSize screen_;
    std::vector<Bar> bars_;
    int nudges_ = 0;
};

void BarsX11Test::initTestCase() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server: run under scripts/with-x");
    QVERIFY(media_.isValid());
    const QString error = generateStripes(media_.filePath(QStringLiteral("stripes.mp4")));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    server_ = std::make_unique<HttpServer>(media_.path());
    QVERIFY(server_->listen());

    shots_ = QDir(QStringLiteral(VELMO_SHOTS_DIR));
    QVERIFY(shots_.mkpath(QStringLiteral(".")));
    for (const QString& old : shots_.entryList({QStringLiteral("*.png")}))
        shots_.remove(old);

    QScreen* screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    screen_ = screen->size() * screen->devicePixelRatio();
    // Fullscreen, the content is the screen. Chip widths do not move the bars
    // or any control up or down, so the narrowest chips will do.
    const double w = screen_.width();
    const double h = screen_.height();
    const velmo::WindowFrames f = velmo::layoutFrames(w, h, {});
    const QRect top = velmo::pixelGeometry(f.topBar);
    const QRect bottom = velmo::pixelGeometry(f.bottomBar);
    Bar topBar{"top", top, {}, top.bottom() + 6};
    for (int y : freeRows(top.height(),
                          {f.closeButton, f.fullscreenButton, f.settingsButton, f.subtitlePopup,
                           f.audioPopup, f.qualityPopup, f.titleLabel, f.subtitleLabel}))
        topBar.rows.push_back(top.top() + y);
    Bar bottomBar{"bottom", bottom, {}, bottom.top() - 6};
    for (int y :
         freeRows(bottom.height(),
                  {f.playButton, f.skipBackButton, f.skipForwardButton, f.currentLabel, f.ratePopup,
                   f.volumeSlider, f.volumeButton, f.durationLabel, f.positionSlider, f.liveBadge}))
        bottomBar.rows.push_back(bottom.top() + y);
    QVERIFY2(topBar.rows.size() >= 4 && bottomBar.rows.size() >= 4,
             "the bars have no rows free of controls to look at");
    bars_ = {topBar, bottomBar};

    connect(&player_, &QProcess::readyReadStandardOutput, this, [this] {
        pending_ += player_.readAllStandardOutput();
        qsizetype end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            events_ << QJsonDocument::fromJson(pending_.left(end)).object();
            pending_.remove(0, end + 1);
        }
    });
    player_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player_.start(QStringLiteral(VELMO_PLAYER_BINARY), {});
    QVERIFY(player_.waitForStarted(10000));
    const QJsonObject load{{"command", "load"},
                           {"title", "bars"},
                           {"url", server_->url(QStringLiteral("/stripes.mp4")).toString()}};
    player_.write(QJsonDocument(load).toJson(QJsonDocument::Compact) + '\n');

    // Playing, and fullscreen: bare video all across the rows next to the bars.
    QTRY_VERIFY2_WITH_TIMEOUT(lastPosition() > 0.5, "the clip does not play", 30000);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const QImage image = shot(QStringLiteral("startup"));
        bool full = true;
        for (const Bar& bar : bars_) {
            Bar reference = bar;
            reference.rows = {bar.referenceRow};
            const Shading s = measure(image, reference);
            full = full && s.barMean > 60 && s.barSpread > 20;
        }
        if (full)
            break;
        QVERIFY2(waited.elapsed() < 20000, "the player never showed the clip fullscreen");
        QTest::qWait(200);
    }
}

void BarsX11Test::cleanupTestCase() {
    if (player_.state() == QProcess::NotRunning)
        return;
    player_.write(R"({"command":"close"})"
                  "\n");
    if (!player_.waitForFinished(10000)) {
        player_.kill();
        player_.waitForFinished(5000);
    }
}

double BarsX11Test::lastPosition() const {
    for (auto it = events_.crbegin(); it != events_.crend(); ++it)
        if (it->value("type") == QLatin1String("progress"))
            return it->value("position").toDouble();
    return -1;
}

QImage BarsX11Test::shot(const QString& name) {
    QImage image = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
    image.save(shots_.filePath(name + QStringLiteral(".png")));
    return image;
}

void BarsX11Test::nudgePointer() {
    ++nudges_;
    QCursor::setPos(QGuiApplication::primaryScreen(), screen_.width() / 2 + (nudges_ % 2) * 40,
                    screen_.height() / 2);
    QTest::qWait(100);
}

void BarsX11Test::barsShadeTheMovingVideo() {
    // However long start-up took, activity brings the bars back.
    nudgePointer();
    QTest::qWait(200);
    const QImage first = shot(QStringLiteral("shown-1"));
    QTest::qWait(400);
    const QImage second = shot(QStringLiteral("shown-2"));
    QVERIFY2(lastPosition() < kClipSeconds - 5, "the clip ran out during the test");

    for (const Bar& bar : bars_) {
        for (const QImage* image : {&first, &second}) {
            const Shading s = measure(*image, bar);
            const QString what = QString::fromLatin1(bar.name) + ": " + describe(s);
            // The video shows through, darkened, and not as flat black.
            QVERIFY2(s.barMean < 0.5 * s.videoMean, qPrintable(what));
            QVERIFY2(s.barMean > 15, qPrintable(what));
            QVERIFY2(s.barSpread > 8, qPrintable(what));
            // Column by column it is the bar's colour over this very picture.
            QVERIFY2(s.blendError < 8, qPrintable(what));
        }
        // The video moved between the shots, and so did what shows through.
        Bar reference = bar;
        reference.rows = {bar.referenceRow};
        const double videoMoved = change(first, second, reference);
        const double barMoved = change(first, second, bar);
        const QString what = QStringLiteral("%1: video changed by %2, bar by %3")
                                 .arg(QString::fromLatin1(bar.name))
                                 .arg(videoMoved)
                                 .arg(barMoved);
        QVERIFY2(videoMoved > 15, qPrintable(what));
        QVERIFY2(barMoved > 0.15 * videoMoved, qPrintable(what));
    }
}

void BarsX11Test::barsGoAfterThreeSecondsWithoutActivity() {
    nudgePointer();
    QElapsedTimer sinceActivity;
    sinceActivity.start();
    // Well inside the three seconds: still there.
    QTest::qWait(1500);
    {
        const QImage image = shot(QStringLiteral("before-hiding"));
        for (const Bar& bar : bars_) {
            const Shading s = measure(image, bar);
            QVERIFY2(s.blendError < 8,
                     qPrintable(QString::fromLatin1(bar.name) + ": " + describe(s)));
        }
    }
    // Then gone: the bar's rows are the bare video.
    QImage image;
    bool gone = false;
    while (!gone && sinceActivity.elapsed() < 20000) {
        QTest::qWait(250);
        image = shot(QStringLiteral("hidden"));
        gone = true;
        for (const Bar& bar : bars_)
            gone = gone && measure(image, bar).bareDifference < 6;
    }
    QString what;
    for (const Bar& bar : bars_)
        what += QString::fromLatin1(bar.name) + ": " + describe(measure(image, bar)) + "; ";
    QVERIFY2(gone, qPrintable("the bars stayed: " + what));
    // Never before three seconds have passed since the pointer moved.
    QVERIFY2(sinceActivity.elapsed() > 3000, qPrintable(QString::number(sinceActivity.elapsed())));
    QVERIFY2(lastPosition() < kClipSeconds - 2, "the clip ran out during the test");
    for (const Bar& bar : bars_) {
        const Shading s = measure(image, bar);
        QVERIFY2(s.barMean > 60 && s.barSpread > 20, qPrintable(describe(s)));
    }
}

void BarsX11Test::pointerGoesWithTheBarsInFullscreen() {
    nudgePointer();
    QTRY_COMPARE_WITH_TIMEOUT(pointerVisible(), 1, 5000);
    // The bars go by themselves, and the pointer with them.
    QTRY_COMPARE_WITH_TIMEOUT(pointerVisible(), 0, 20000);
    const QImage hidden = shot(QStringLiteral("pointer-hidden"));
    for (const Bar& bar : bars_)
        QVERIFY2(measure(hidden, bar).bareDifference < 6,
                 qPrintable(describe(measure(hidden, bar))));
    // Moving the mouse brings both back.
    nudgePointer();
    QTRY_COMPARE_WITH_TIMEOUT(pointerVisible(), 1, 5000);
    const QImage shown = shot(QStringLiteral("pointer-back"));
    for (const Bar& bar : bars_)
        QVERIFY2(measure(shown, bar).blendError < 8, qPrintable(describe(measure(shown, bar))));
    QVERIFY2(lastPosition() < kClipSeconds - 2, "the clip ran out during the test");
}

int main(int argc, char** argv) {
    // The screen is read through the X server the player draws on.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    else
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    BarsX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_bars_x11.moc"
