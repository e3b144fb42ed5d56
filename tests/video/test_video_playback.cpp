// Real libvlc into a VideoView on the offscreen platform: clips made with ffmpeg
// at run time, with two flat colour halves and, below the visible picture,
// padding rows of a third colour that the stream's cropping hides. What the
// view paints must be the colours VLC shows (BT.709 for HD, BT.601 for SD),
// without a trace of the padding, at the picture's aspect ratio.

#include "engine/engine.h"
#include "engine/player_events.h"
#include "engine/frame_convert.h"
#include "ui/video_view.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cmath>

using namespace velmo;

namespace {

struct Yuv {
    int y, u, v;
};
constexpr Yuv kLeft{63, 102, 240}; // red under BT.709, visibly less so under BT.601
constexpr Yuv kRight{150, 80, 80}; // green, whose G differs by 20 between the two
constexpr Yuv kPadding{200, 40, 230};

QColor referenceRgb(Yuv c, bool bt709) {
    const double kr = bt709 ? 0.2126 : 0.299;
    const double kb = bt709 ? 0.0722 : 0.114;
    const double luma = (c.y - 16) / 219.0;
    const double r = luma + 2 * (1 - kr) * (c.v - 128) / 224.0;
    const double b = luma + 2 * (1 - kb) * (c.u - 128) / 224.0;
    const double g = (luma - kr * r - kb * b) / (1 - kr - kb);
    auto byte = [](double x) {
        return std::clamp(static_cast<int>(std::lround(x * 255)), 0, 255);
    };
    return QColor(byte(r), byte(g), byte(b));
}

int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

QByteArray text(const QColor& c) {
    return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()).toLatin1();
}

// lavfi graph: halves left/right, padding rows from `visible` down.
QString halves(int width, int visible, int coded) {
    auto plane = [&](int left, int right, int pad, int w, int v) {
        return QStringLiteral("if(gte(Y,%1),%2,if(lt(X,%3),%4,%5))")
            .arg(v)
            .arg(pad)
            .arg(w / 2)
            .arg(left)
            .arg(right);
    };
    const QString lum = plane(kLeft.y, kRight.y, kPadding.y, width, visible);
    const QString cb = plane(kLeft.u, kRight.u, kPadding.u, width / 2, visible / 2);
    const QString cr = plane(kLeft.v, kRight.v, kPadding.v, width / 2, visible / 2);
    // One picture made, then repeated (geq is slow), with a small box moving
    // in the top-left corner so that the pictures differ.
    return QStringLiteral("nullsrc=s=%1x%2:r=30:d=0.04,format=yuv420p,geq=lum='%3':cb='%4':cr='%5',"
                          "loop=loop=59:size=1[base];color=c=white:s=16x16:r=30[box];"
                          "[base][box]overlay=x='mod(n*8,160)':y=16:shortest=1")
        .arg(width)
        .arg(coded)
        .arg(lum, cb, cr);
}

} // namespace

class TestVideoPlayback : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void plays_data();
    void plays();

private:
    QString makeClip(const QString& name, int width, int visible, int coded,
                     const QStringList& extra);
    QTemporaryDir dir_;
};

void TestVideoPlayback::initTestCase() {
    QVERIFY(dir_.isValid());
    if (qEnvironmentVariableIsEmpty("VLC_PLUGIN_PATH"))
        qputenv("VLC_PLUGIN_PATH", VELMO_VLC_PLUGINS);
}

QString TestVideoPlayback::makeClip(const QString& name, int width, int visible, int coded,
                                    const QStringList& extra) {
    const QString path = dir_.filePath(name);
    QStringList args{"-hide_banner", "-loglevel", "error", "-y",
                     "-f",           "lavfi",     "-i",    halves(width, visible, coded),
                     "-t",           "2",         "-c:v",  "libx264",
                     "-preset",      "ultrafast", "-crf",  "8"};
    if (coded != visible)
        args << "-bsf:v" << QStringLiteral("h264_metadata=crop_bottom=%1").arg(coded - visible);
    args << extra << path;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral(VELMO_FFMPEG), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
        return {};
    return path;
}

void TestVideoPlayback::plays_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("visible");
    QTest::addColumn<int>("coded");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("bt709");
    QTest::addColumn<bool>("exactAspect");

    // Matroska tells the visible size before the first picture.
    QTest::newRow("HD, padding rows, untagged")
        << "hd.mkv" << 1920 << 1080 << 1088 << QStringList() << true << true;
    QTest::newRow("HD, tagged BT.709, MP4")
        << "hd709.mp4" << 1920 << 1080 << 1080
        << QStringList{"-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709"}
        << true << true;
    // MPEG-TS may not tell the size until well after the first picture: the
    // aspect may be the padded one (1920:1090) meanwhile, but never the padding.
    QTest::newRow("HD, padding rows, MPEG-TS")
        << "hd.ts" << 1920 << 1080 << 1088 << QStringList() << true << false;
    QTest::newRow("SD, untagged") << "sd.mkv" << 720 << 576 << 576 << QStringList() << false
                                  << true;
}

void TestVideoPlayback::plays() {
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(int, visible);
    QFETCH(int, coded);
    QFETCH(QStringList, extra);
    QFETCH(bool, bt709);
    QFETCH(bool, exactAspect);

    const QString clip = makeClip(name, width, visible, coded, extra);
    QVERIFY2(!clip.isEmpty(), "ffmpeg could not make the clip");

    VideoView view;
    view.resize(960, 540);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    bool paused = false;
    PlayerEvents events;
    QObject::connect(&events, &PlayerEvents::paused, [&paused] { paused = true; });
    std::unique_ptr<Engine> engine =
        createVlcEngine({"--quiet", "--avcodec-hw=any", "--no-video-title-show", "--aout=dummy"});
    QVERIFY(engine);
    Engine::OpenError error = Engine::OpenError::None;
    std::unique_ptr<MediaPlayer> player =
        engine->open(QUrl::fromLocalFile(clip).toString(), {}, &events, &error);
    QVERIFY(player);
    player->attachVideo(view.sink());
    player->attachEvents();
    QCOMPARE(player->play(), 0);

    // The first pictures, then later ones (made for the view's size by then).
    QTRY_VERIFY_WITH_TIMEOUT(view.paintedSequence() > 0, 20000);
    const QImage first = view.grab().toImage();
    QTRY_VERIFY_WITH_TIMEOUT(view.paintedSequence() > 20, 20000);
    const QImage later = view.grab().toImage();

    // Paused, the engine keeps handing the same picture again (every 80 ms in
    // libvlc 3): the view must not convert and repaint it each time.
    player->setPause(true);
    QTRY_VERIFY_WITH_TIMEOUT(paused, 20000);
    QTest::qWait(300); // pictures already on their way
    const quint64 pausedAt = view.paintedSequence();
    QTest::qWait(700);
    QCOMPARE(view.paintedSequence(), pausedAt);
    player->stop();
    player.reset();
    engine.reset();

    const QColor left = referenceRgb(kLeft, bt709);
    const QColor right = referenceRgb(kRight, bt709);
    const QColor padding = referenceRgb(kPadding, bt709);
    const FitRect fit = fitPicture(960, 540, double(width) / visible);
    for (int i = 0; i < 2; ++i) {
        const QImage& shot = i == 0 ? first : later;
        const char* which = i == 0 ? "first picture: " : "later picture: ";
        QCOMPARE(shot.size(), QSize(960, 540));
        // Inside each half, top to bottom, the last row included: the halves'
        // colours and nothing of the padding (which would also squash the
        // picture and leave black columns at the sides).
        const int rows[] = {fit.y + 2, fit.y + fit.height / 2, fit.y + fit.height - 2,
                            fit.y + fit.height - 1};
        for (int row : rows) {
            for (const auto& [x, expected] : {std::pair{fit.x + fit.width / 4, left},
                                              std::pair{fit.x + 3 * fit.width / 4, right}}) {
                const QColor got = shot.pixelColor(x, row);
                QVERIFY2(distance(got, expected) <= 3,
                         QByteArray(which) + text(got) + " at " + QByteArray::number(x) + "," +
                             QByteArray::number(row) + ", expected " + text(expected));
                QVERIFY(distance(got, padding) > 30);
            }
        }
        if (!exactAspect)
            continue;
        // At the sides: the picture where it should be, black outside it.
        for (int row : {fit.y + 1, fit.y + fit.height / 2, fit.y + fit.height - 1}) {
            const QColor atLeft = shot.pixelColor(fit.x, row);
            const QColor atRight = shot.pixelColor(fit.x + fit.width - 1, row);
            QVERIFY2(distance(atLeft, left) <= 3, which + text(atLeft) + " at the left edge");
            QVERIFY2(distance(atRight, right) <= 3, which + text(atRight) + " at the right edge");
            if (fit.x > 0) {
                QCOMPARE(shot.pixelColor(fit.x - 1, row), QColor(Qt::black));
                QCOMPARE(shot.pixelColor(fit.x + fit.width, row), QColor(Qt::black));
            }
        }
    }
}

QTEST_MAIN(TestVideoPlayback)
#include "test_video_playback.moc"
