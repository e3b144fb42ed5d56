// From the engine's planar pictures to RGB pictures placed in the view: the
// format answered to the engine, colours (BT.709 for HD, BT.601 for SD), that
// padding below the visible picture never shows, where the picture sits in the
// view, and the sink's notices to the GUI.

#include "engine/frame_convert.h"
#include "engine/frame_ring.h"
#include "engine/frame_sink.h"
#include "ui/video_presenter.h"

#include <QColor>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace velmo;

namespace {

// The reference: limited-range Y'CbCr to full-range R'G'B' from the matrix's
// luma weights, as the standards define it.
QColor referenceRgb(int y, int u, int v, bool bt709) {
    const double kr = bt709 ? 0.2126 : 0.299;
    const double kb = bt709 ? 0.0722 : 0.114;
    const double kg = 1 - kr - kb;
    const double luma = (y - 16) / 219.0;
    const double pb = (u - 128) / 224.0;
    const double pr = (v - 128) / 224.0;
    const double r = luma + 2 * (1 - kr) * pr;
    const double b = luma + 2 * (1 - kb) * pb;
    const double g = (luma - kr * r - kb * b) / kg;
    auto byte = [](double c) {
        return std::clamp(static_cast<int>(std::lround(c * 255)), 0, 255);
    };
    return QColor(byte(r), byte(g), byte(b));
}

// An I420 picture in one buffer, planes one after another.
struct Yuv {
    Yuv(int width, int height) : width(width), height(height) {
        pitches[0] = unsigned(width + 63) / 64 * 64;
        pitches[1] = pitches[2] = unsigned((width + 1) / 2 + 31) / 32 * 32;
        bytes.assign(pitches[0] * height + 2 * pitches[1] * ((height + 1) / 2), 0);
    }
    std::uint8_t* plane(int i) {
        std::size_t offset = 0;
        for (int p = 0; p < i; ++p)
            offset += pitches[p] * (p == 0 ? height : (height + 1) / 2);
        return bytes.data() + offset;
    }
    // Rows [top, bottom) of the luma plane (and their chroma rows) set to a colour.
    void fill(int y, int u, int v, int top = 0, int bottom = -1) {
        if (bottom < 0)
            bottom = height;
        for (int row = top; row < bottom; ++row)
            std::memset(plane(0) + row * pitches[0], y, width);
        for (int row = top / 2; row < (bottom + 1) / 2; ++row) {
            std::memset(plane(1) + row * pitches[1], u, (width + 1) / 2);
            std::memset(plane(2) + row * pitches[2], v, (width + 1) / 2);
        }
    }
    const std::uint8_t* const* planes() {
        pointers[0] = plane(0);
        pointers[1] = plane(1);
        pointers[2] = plane(2);
        return pointers;
    }
    int width;
    int height;
    unsigned pitches[3];
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* pointers[3];
};

QColor pixel(const RgbPicture& picture, int x, int y) {
    std::uint32_t value;
    std::memcpy(&value, picture.pixels.data() + y * picture.stride + x * 4, 4);
    return QColor::fromRgb(value);
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QByteArray text(const QColor& c) {
    return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()).toLatin1();
}

} // namespace

class TestVideoConvert : public QObject {
    Q_OBJECT

private slots:
    void colours_data();
    void colours();
    void paddingNeverShows_data();
    void paddingNeverShows();
    void fit_data();
    void fit();
    void formatAnswer_data();
    void formatAnswer();
    void sinkMakesPicturesForTheView();
    void noticesAreCoalesced();
    void pausedRedisplaysAreNotShownAgain();
};

void TestVideoConvert::colours_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("outWidth");
    QTest::addColumn<int>("outHeight");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("v");
    QTest::addColumn<bool>("bt709");

    // Colours far apart under the two matrices, so that the wrong one fails.
    QTest::newRow("HD red") << 1920 << 1080 << 1920 << 1080 << 63 << 102 << 240 << true;
    QTest::newRow("HD green") << 1920 << 1080 << 1920 << 1080 << 150 << 80 << 80 << true;
    QTest::newRow("HD blue") << 1920 << 1080 << 1920 << 1080 << 40 << 240 << 110 << true;
    QTest::newRow("HD grey") << 1920 << 1080 << 1920 << 1080 << 126 << 128 << 128 << true;
    QTest::newRow("720p red") << 1280 << 720 << 1280 << 720 << 63 << 102 << 240 << true;
    QTest::newRow("HD red scaled down") << 1920 << 1080 << 853 << 480 << 63 << 102 << 240 << true;
    QTest::newRow("HD green scaled up") << 1280 << 720 << 2560 << 1440 << 150 << 80 << 80 << true;
    QTest::newRow("577 lines is HD") << 720 << 577 << 720 << 577 << 63 << 102 << 240 << true;
    QTest::newRow("SD red") << 720 << 576 << 720 << 576 << 63 << 102 << 240 << false;
    QTest::newRow("SD green") << 720 << 576 << 720 << 576 << 150 << 80 << 80 << false;
    QTest::newRow("SD blue") << 640 << 480 << 640 << 480 << 40 << 240 << 110 << false;
    QTest::newRow("SD green scaled up") << 640 << 360 << 1920 << 1080 << 150 << 80 << 80 << false;
    QTest::newRow("odd size") << 641 << 359 << 641 << 359 << 150 << 80 << 80 << false;
    QTest::newRow("black") << 1920 << 1080 << 1920 << 1080 << 16 << 128 << 128 << true;
    QTest::newRow("white") << 720 << 576 << 720 << 576 << 235 << 128 << 128 << false;
}

void TestVideoConvert::colours() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, outWidth);
    QFETCH(int, outHeight);
    QFETCH(int, y);
    QFETCH(int, u);
    QFETCH(int, v);
    QFETCH(bool, bt709);

    QCOMPARE(matrixForHeight(unsigned(height)) == ColourMatrix::Bt709, bt709);
    Yuv yuv(width, height);
    yuv.fill(y, u, v);
    I420Converter converter;
    RgbPicture out;
    QVERIFY(converter.convert(yuv.planes(), yuv.pitches, width, height,
                              matrixForHeight(unsigned(height)), outWidth, outHeight, &out));
    QCOMPARE(out.width, outWidth);
    QCOMPARE(out.height, outHeight);
    const QColor expected = referenceRgb(y, u, v, bt709);
    const QPoint points[] = {{0, 0},
                             {outWidth / 2, outHeight / 2},
                             {outWidth - 1, outHeight - 1},
                             {outWidth - 1, 0},
                             {0, outHeight - 1}};
    for (const QPoint& p : points) {
        const QColor got = pixel(out, p.x(), p.y());
        QVERIFY2(near(got, expected, 3), text(got) + " at " + QByteArray::number(p.x()) + "," +
                                             QByteArray::number(p.y()) + ", expected " +
                                             text(expected));
    }
}

// The decoder's padded height (1090 for 1080-line H.264) holds rows that are
// not part of the picture. Given the visible size, the converter reads none of
// them, not even through the scaler's filter taps at the bottom edge.
void TestVideoConvert::paddingNeverShows_data() {
    QTest::addColumn<int>("outWidth");
    QTest::addColumn<int>("outHeight");
    QTest::newRow("same size") << 1920 << 1080;
    QTest::newRow("scaled down") << 960 << 540;
    QTest::newRow("scaled down a little") << 1900 << 1069;
    QTest::newRow("scaled up") << 2560 << 1440;
}

void TestVideoConvert::paddingNeverShows() {
    QFETCH(int, outWidth);
    QFETCH(int, outHeight);
    Yuv yuv(1920, 1090);
    yuv.fill(150, 80, 80);              // visible: green
    yuv.fill(200, 40, 230, 1080, 1090); // padding: bright magenta
    I420Converter converter;
    RgbPicture out;
    QVERIFY(converter.convert(yuv.planes(), yuv.pitches, 1920, 1080, ColourMatrix::Bt709, outWidth,
                              outHeight, &out));
    const QColor visible = referenceRgb(150, 80, 80, true);
    for (int row : {0, outHeight / 2, outHeight - 3, outHeight - 2, outHeight - 1}) {
        for (int x : {0, outWidth / 3, outWidth - 1}) {
            const QColor got = pixel(out, x, row);
            QVERIFY2(near(got, visible, 3), text(got) + " at row " + QByteArray::number(row) +
                                                ", expected " + text(visible));
        }
    }
}

void TestVideoConvert::fit_data() {
    QTest::addColumn<int>("viewWidth");
    QTest::addColumn<int>("viewHeight");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("sarNum");
    QTest::addColumn<int>("sarDen");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("exact") << 1920 << 1080 << 1920 << 1080 << 1 << 1 << QRect(0, 0, 1920, 1080);
    QTest::newRow("same aspect, smaller")
        << 960 << 540 << 1920 << 1080 << 1 << 1 << QRect(0, 0, 960, 540);
    QTest::newRow("letterbox") << 1280 << 1024 << 1920 << 1080 << 1 << 1
                               << QRect(0, 152, 1280, 720);
    QTest::newRow("pillarbox") << 1920 << 1080 << 1440 << 1080 << 1 << 1
                               << QRect(240, 0, 1440, 1080);
    QTest::newRow("cinemascope letterbox")
        << 1920 << 1080 << 1920 << 800 << 1 << 1 << QRect(0, 140, 1920, 800);
    QTest::newRow("portrait video")
        << 1920 << 1080 << 1080 << 1920 << 1 << 1 << QRect(656, 0, 608, 1080);
    QTest::newRow("odd leftover: rounded, then centred down")
        << 1001 << 1000 << 1920 << 1080 << 1 << 1 << QRect(0, 218, 1001, 563);
    QTest::newRow("PAL 4:3 anamorphic")
        << 1024 << 768 << 720 << 576 << 16 << 15 << QRect(0, 0, 1024, 768);
    QTest::newRow("PAL 16:9 anamorphic")
        << 1920 << 1080 << 720 << 576 << 64 << 45 << QRect(0, 0, 1920, 1080);
    QTest::newRow("NTSC 16:9 anamorphic in 4:3")
        << 800 << 600 << 720 << 480 << 32 << 27 << QRect(0, 75, 800, 450);
    QTest::newRow("unknown sample aspect: square")
        << 1920 << 1080 << 720 << 576 << 0 << 0 << QRect(285, 0, 1350, 1080);
    QTest::newRow("tiny view") << 1 << 1 << 1920 << 1080 << 1 << 1 << QRect(0, 0, 1, 1);
    QTest::newRow("thin view keeps a line")
        << 1000 << 2 << 100 << 1000 << 1 << 1 << QRect(499, 0, 1, 2);
    QTest::newRow("empty view") << 0 << 600 << 1920 << 1080 << 1 << 1 << QRect();
    QTest::newRow("unknown picture fills the view")
        << 800 << 600 << 0 << 0 << 1 << 1 << QRect(0, 0, 800, 600);
}

void TestVideoConvert::fit() {
    QFETCH(int, viewWidth);
    QFETCH(int, viewHeight);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, sarNum);
    QFETCH(int, sarDen);
    QFETCH(QRect, expected);
    const FitRect r = fitPicture(
        viewWidth, viewHeight,
        displayAspect(unsigned(width), unsigned(height), unsigned(sarNum), unsigned(sarDen)));
    const QRect got = r.width == 0 ? QRect() : QRect(r.x, r.y, r.width, r.height);
    QCOMPARE(got, expected);
}

// What the sink answers to the engine's format proposals.
void TestVideoConvert::formatAnswer_data() {
    QTest::addColumn<QByteArray>("proposed");
    QTest::addColumn<QSize>("padded");
    QTest::addColumn<QSize>("visible"); // what the engine knows; empty: nothing yet
    QTest::addColumn<QSize>("answer");

    // The engine fills the answered size with the visible picture, scaling it:
    // the visible size, when known, gives the picture as it is.
    QTest::newRow("padded H.264, size known")
        << QByteArray("I420") << QSize(1920, 1090) << QSize(1920, 1080) << QSize(1920, 1080);
    QTest::newRow("hardware chroma proposed first")
        << QByteArray("VAOP") << QSize(1920, 1088) << QSize(1920, 1080) << QSize(1920, 1080);
    QTest::newRow("other chroma") << QByteArray("I0AL") << QSize(1280, 722) << QSize(1280, 720)
                                  << QSize(1280, 720);
    QTest::newRow("size not known yet")
        << QByteArray("I420") << QSize(1920, 1090) << QSize() << QSize(1920, 1090);
    QTest::newRow("implausible size")
        << QByteArray("I420") << QSize(1920, 1090) << QSize(3840, 2160) << QSize(1920, 1090);
    QTest::newRow("odd size") << QByteArray("I420") << QSize(640, 362) << QSize(639, 359)
                              << QSize(639, 359);
}

void TestVideoConvert::formatAnswer() {
    QFETCH(QByteArray, proposed);
    QFETCH(QSize, padded);
    QFETCH(QSize, visible);
    QFETCH(QSize, answer);

    RasterPresenter presenter;
    FrameSink sink([] {}, &presenter);
    sink.setShapeQuery([visible] {
        return PictureShape{unsigned(std::max(0, visible.width())),
                            unsigned(std::max(0, visible.height())), 1, 1};
    });
    char chroma[4];
    std::memcpy(chroma, proposed.constData(), 4);
    unsigned width = unsigned(padded.width());
    unsigned height = unsigned(padded.height());
    unsigned pitches[3] = {};
    unsigned lines[3] = {};
    // More than once, as under --avcodec-hw: the same answer each time.
    for (int attempt = 0; attempt < 2; ++attempt) {
        width = unsigned(padded.width());
        height = unsigned(padded.height());
        std::memcpy(chroma, proposed.constData(), 4);
        QVERIFY(sink.format(chroma, &width, &height, pitches, lines) > 0);
        if (attempt == 0)
            sink.cleanup();
    }
    QCOMPARE(QByteArray(chroma, 4), QByteArray("I420"));
    QCOMPARE(QSize(int(width), int(height)), answer);
    QVERIFY(pitches[0] >= width);
    QVERIFY(pitches[1] >= (width + 1) / 2 && pitches[2] == pitches[1]);
    QCOMPARE(lines[0], height);
    QCOMPARE(lines[1], (height + 1) / 2);
    QCOMPARE(lines[2], (height + 1) / 2);
}

namespace {

// Plays one flat picture through the sink as the engine would; returns the id.
void* deliver(FrameSink& sink, int y, int u, int v, bool due = true) {
    void* planes[3];
    void* id = sink.lock(planes);
    // The sink answered 1920x1080: pitches and lines as format gave them.
    std::memset(planes[0], y, 1920 * 1080);
    std::memset(planes[1], u, 960 * 540);
    std::memset(planes[2], v, 960 * 540);
    sink.unlock(id);
    if (due)
        sink.display(id);
    return id;
}

void formatHd(FrameSink& sink, PictureShape shape) {
    sink.setShapeQuery([shape] { return shape; });
    char chroma[4] = {'I', '4', '2', '0'};
    unsigned width = 1920;
    unsigned height = 1090;
    unsigned pitches[3];
    unsigned lines[3];
    QVERIFY(sink.format(chroma, &width, &height, pitches, lines) > 0);
    QCOMPARE(pitches[0], 1920u);
    QCOMPARE(pitches[1], 960u);
}

} // namespace

// The picture is converted at unlock to the size it takes in the view (in
// device pixels), with the aspect ratio from the visible size and pixel shape.
void TestVideoConvert::sinkMakesPicturesForTheView() {
    RasterPresenter presenter;
    FrameSink sink([] {}, &presenter);
    formatHd(sink, {1920, 1080, 1, 1});
    QVERIFY(!sink.current()); // nothing due: black

    sink.setViewSize(1280, 1024);
    deliver(sink, 150, 80, 80);
    {
        FrameRing::Reader frame = sink.current();
        QVERIFY(frame);
        QCOMPARE(frame.picture().width, 1280);
        QCOMPARE(frame.picture().height, 720);
        QCOMPARE(frame.picture().viewWidth, 1280);
        QCOMPARE(frame.picture().viewHeight, 1024);
        QVERIFY(near(pixel(frame.picture(), 640, 719), referenceRgb(150, 80, 80, true), 3));
    }

    // The view changed: the next picture follows; the one before keeps its size.
    sink.setViewSize(800, 800);
    deliver(sink, 63, 102, 240, false);
    QCOMPARE(sink.current().picture().width, 1280);
    deliver(sink, 63, 102, 240);
    QCOMPARE(sink.current().picture().width, 800);
    QCOMPARE(sink.current().picture().height, 450);

    // Anamorphic: 1920x1080 pixels 3:4 wide make a 4:3 picture.
    formatHd(sink, {1920, 1080, 3, 4});
    deliver(sink, 63, 102, 240);
    QCOMPARE(sink.current().picture().width, 800);
    QCOMPARE(sink.current().picture().height, 600);

    sink.clear();
    QVERIFY(!sink.current());
}

// At most one notice is pending: the GUI takes it, then reads the latest.
void TestVideoConvert::noticesAreCoalesced() {
    int notices = 0;
    RasterPresenter presenter;
    FrameSink sink([&notices] { ++notices; }, &presenter);
    formatHd(sink, {1920, 1080, 1, 1});
    sink.setViewSize(320, 180);
    deliver(sink, 16, 128, 128);
    deliver(sink, 17, 128, 128);
    deliver(sink, 18, 128, 128, false); // complete, not due: no notice
    QCOMPARE(notices, 1);
    sink.noticeTaken();
    deliver(sink, 19, 128, 128, false);
    QCOMPARE(notices, 1);
    deliver(sink, 20, 128, 128);
    QCOMPARE(notices, 2);
}

QTEST_GUILESS_MAIN(TestVideoConvert)
#include "test_video_convert.moc"

// While paused, libvlc hands the current picture again every 80 ms. It is not
// converted or shown again, unless the view changed size meanwhile; and it is
// compared with the latest complete picture, not merely the front.
void TestVideoConvert::pausedRedisplaysAreNotShownAgain() {
    int notices = 0;
    RasterPresenter presenter;
    FrameSink sink([&notices] { ++notices; }, &presenter);
    formatHd(sink, {1920, 1080, 1, 1});
    sink.setViewSize(640, 360);
    deliver(sink, 150, 80, 80);
    const std::uint64_t first = sink.current().sequence();
    sink.noticeTaken();
    for (int i = 0; i < 5; ++i)
        deliver(sink, 150, 80, 80);
    QCOMPARE(notices, 1);
    QCOMPARE(sink.current().sequence(), first);
    QCOMPARE(sink.ring().dropped(), std::uint64_t(0));

    // The view grew while paused: the same picture, made for the new size.
    sink.setViewSize(1280, 720);
    deliver(sink, 150, 80, 80);
    QCOMPARE(notices, 2);
    QCOMPARE(sink.current().picture().width, 1280);
    sink.noticeTaken();

    // Different pixels are a new picture.
    deliver(sink, 63, 102, 240);
    QCOMPARE(notices, 3);
    sink.noticeTaken();

    // Red due, green complete but not yet due, then red again: the last red is
    // new (it follows the green) and must be shown after it.
    void* green = deliver(sink, 150, 80, 80, false);
    void* red = deliver(sink, 63, 102, 240, false);
    sink.display(green);
    sink.display(red);
    FrameRing::Reader front = sink.current();
    QVERIFY(near(pixel(front.picture(), 10, 10), referenceRgb(63, 102, 240, true), 3));
    front.release();
    QCOMPARE(sink.ring().dropped(), std::uint64_t(0));
}
