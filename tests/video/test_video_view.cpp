// The view as the user sees it, fed through its sink the way the engine feeds
// it (no libvlc): black until a picture is due, the picture fitted with black
// bars, the last picture kept (scaled) when the view changes size, black again
// after clear().

#include "engine/frame_sink.h"
#include "ui/video_view.h"

#include <QImage>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace velmo;

namespace {

QColor bt709(int y, int u, int v) {
    const double luma = (y - 16) / 219.0;
    const double r = luma + 1.5748 * (v - 128) / 224.0;
    const double b = luma + 1.8556 * (u - 128) / 224.0;
    const double g = (luma - 0.2126 * r - 0.0722 * b) / 0.7152;
    auto byte = [](double x) {
        return std::clamp(static_cast<int>(std::lround(x * 255)), 0, 255);
    };
    return QColor(byte(r), byte(g), byte(b));
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3;
}

// The engine's side: a 1280x720 picture of one colour.
struct Engine {
    explicit Engine(VideoSink* sink) : sink(sink) {
        sink->setShapeQuery([] { return PictureShape{1280, 720, 1, 1}; });
        char chroma[4] = {'I', '4', '2', '0'};
        unsigned width = 1280;
        unsigned height = 736;
        QVERIFY(sink->format(chroma, &width, &height, pitches, lines) > 0);
    }
    void* picture(int y, int u, int v) {
        void* planes[3];
        void* id = sink->lock(planes);
        for (int i = 0; i < 3; ++i)
            std::memset(planes[i], i == 0 ? y : i == 1 ? u : v, std::size_t{pitches[i]} * lines[i]);
        sink->unlock(id);
        return id;
    }
    VideoSink* sink;
    unsigned pitches[3] = {};
    unsigned lines[3] = {};
};

} // namespace

class TestVideoView : public QObject {
    Q_OBJECT

private slots:
    void showsDuePicturesFitted();
};

void TestVideoView::showsDuePicturesFitted() {
    VideoView view;
    view.resize(800, 800);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(400, 400), QColor(Qt::black));

    Engine engine(view.sink());
    const QColor green = bt709(150, 80, 80);
    const QColor red = bt709(63, 102, 240);

    // Complete but not due: still black.
    void* first = engine.picture(150, 80, 80);
    QCoreApplication::processEvents();
    QCOMPARE(view.grab().toImage().pixelColor(400, 400), QColor(Qt::black));

    // Due: 16:9 in 800x800 is 800x450 at y=175, black above and below.
    view.sink()->display(first);
    QTRY_VERIFY(view.paintedSequence() > 0);
    shot = view.grab().toImage();
    QVERIFY(near(shot.pixelColor(400, 400), green));
    QVERIFY(near(shot.pixelColor(0, 175), green));
    QVERIFY(near(shot.pixelColor(799, 624), green));
    QCOMPARE(shot.pixelColor(400, 174), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(400, 625), QColor(Qt::black));

    // The view shrinks and no picture comes: the last one, scaled, fitted anew
    // (400x225 at y=87).
    view.resize(400, 400);
    QTRY_COMPARE(view.size(), QSize(400, 400));
    shot = view.grab().toImage();
    QCOMPARE(shot.size(), QSize(400, 400));
    QVERIFY(near(shot.pixelColor(200, 200), green));
    QVERIFY(near(shot.pixelColor(200, 88), green));
    QCOMPARE(shot.pixelColor(200, 86), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(200, 313), QColor(Qt::black));

    // A new picture, made for the new size.
    const quint64 before = view.paintedSequence();
    view.sink()->display(engine.picture(63, 102, 240));
    QTRY_VERIFY(view.paintedSequence() > before);
    auto* sink = static_cast<FrameSink*>(view.sink());
    QCOMPARE(sink->current().picture().width, 400);
    QVERIFY(near(view.grab().toImage().pixelColor(200, 200), red));

    view.clear();
    QCOMPARE(view.grab().toImage().pixelColor(200, 200), QColor(Qt::black));
}

QTEST_MAIN(TestVideoView)
#include "test_video_view.moc"
