// The window's frames as computed from its size and the chips' widths, in the
// coordinates of the view that holds each (y down), and whole pixels of them.

#include "support/test_main.h"
#include "ui/layout.h"

using namespace velmo;

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void narrowWindowKeepsStretchingFrames_data();
    void narrowWindowKeepsStretchingFrames();
    void chipWidthLimits_data();
    void chipWidthLimits();
    void growingChipsPushNeighboursLeft();
    void pixelGeometry_data();
    void pixelGeometry();
};

void TestLayout::acceptance_data() {
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRectF>("expected");

    // 1280 × 720, every chip at its smallest width (no title: fitted width 20).
    const WindowFrames f = layoutFrames(1280, 720, ChipWidths{20, 20, 20, 20});
    QTest::newRow("video") << f.video << QRectF(0, 0, 1280, 720);
    QTest::newRow("top bar") << f.topBar << QRectF(0, 0, 1280, 56);
    QTest::newRow("bottom bar") << f.bottomBar << QRectF(0, 642, 1280, 78);

    // In the top bar, 56 high.
    QTest::newRow("close") << f.closeButton << QRectF(14, 15, 24, 24);
    QTest::newRow("fullscreen") << f.fullscreenButton << QRectF(1238, 15, 24, 24);
    QTest::newRow("style") << f.settingsButton << QRectF(1204, 15, 24, 24);
    QTest::newRow("subtitle chip") << f.subtitlePopup << QRectF(1150, 13, 44, 28);
    QTest::newRow("audio chip") << f.audioPopup << QRectF(1098, 13, 44, 28);
    QTest::newRow("quality chip") << f.qualityPopup << QRectF(1046, 13, 44, 28);
    QTest::newRow("title") << f.titleLabel << QRectF(48, 9, 988, 18);
    QTest::newRow("subtitle") << f.subtitleLabel << QRectF(48, 30, 988, 15);

    // In the bottom bar, 78 high.
    QTest::newRow("play") << f.playButton << QRectF(16, 26, 30, 30);
    QTest::newRow("skip back") << f.skipBackButton << QRectF(54, 28, 26, 26);
    QTest::newRow("skip forward") << f.skipForwardButton << QRectF(88, 28, 26, 26);
    QTest::newRow("current time") << f.currentLabel << QRectF(122, 31, 58, 20);
    QTest::newRow("speed chip") << f.ratePopup << QRectF(1220, 28, 44, 28);
    QTest::newRow("volume slider") << f.volumeSlider << QRectF(1128, 32, 82, 20);
    QTest::newRow("mute") << f.volumeButton << QRectF(1096, 30, 24, 24);
    QTest::newRow("duration") << f.durationLabel << QRectF(1024, 31, 62, 20);
    QTest::newRow("position slider") << f.positionSlider << QRectF(188, 31, 828, 20);
    QTest::newRow("live badge") << f.liveBadge << QRectF(1184, 30, 78, 22);

    QTest::newRow("centre button") << f.centerButton << QRectF(600, 320, 80, 80);
    QTest::newRow("spinner") << f.spinner << QRectF(620, 340, 40, 40);
    QTest::newRow("loading") << f.loadingLabel << QRectF(490, 390, 300, 22);
    QTest::newRow("error") << f.errorLabel << QRectF(192, 320, 896, 90);
    QTest::newRow("toast") << f.toastLabel << QRectF(520, 88, 240, 30);

    // Odd sizes keep their halves and fractions.
    const WindowFrames odd = layoutFrames(1281, 721, ChipWidths{});
    QTest::newRow("odd: centre button") << odd.centerButton << QRectF(600.5, 320.5, 80, 80);
    QTest::newRow("odd: error") << odd.errorLabel << QRectF(0.15 * 1281, 320.5, 0.7 * 1281, 90);
    QTest::newRow("odd: loading") << odd.loadingLabel << QRectF(490.5, 390.5, 300, 22);
    QTest::newRow("odd: bottom bar") << odd.bottomBar << QRectF(0, 643, 1281, 78);
}

void TestLayout::acceptance() {
    QFETCH(QRectF, frame);
    QFETCH(QRectF, expected);
    QCOMPARE(frame, expected);
}

void TestLayout::narrowWindowKeepsStretchingFrames_data() {
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("titleWidth");
    QTest::addColumn<double>("sliderWidth");

    // Quality chip at W − 234; rate chip 44, so the slider's room is W − 452.
    QTest::newRow("minimum window") << 720.0 << 428.0 << 268.0;
    QTest::newRow("slider at its floor") << 572.0 << 280.0 << 120.0;
    QTest::newRow("slider below its floor") << 500.0 << 208.0 << 120.0;
    QTest::newRow("title at its floor") << 412.0 << 120.0 << 120.0;
    QTest::newRow("both below their floor") << 300.0 << 120.0 << 120.0;
}

void TestLayout::narrowWindowKeepsStretchingFrames() {
    QFETCH(double, width);
    QFETCH(double, titleWidth);
    QFETCH(double, sliderWidth);

    const WindowFrames f = layoutFrames(width, 405, ChipWidths{});
    QCOMPARE(f.titleLabel, QRectF(48, 9, titleWidth, 18));
    QCOMPARE(f.subtitleLabel, QRectF(48, 30, titleWidth, 15));
    QCOMPARE(f.positionSlider, QRectF(188, 31, sliderWidth, 20));

    // While there is room the title ends 10 left of the quality chip and the
    // slider 8 left of the duration; below the floor they run over them.
    const double titleGap = f.qualityPopup.left() - f.titleLabel.right();
    const double sliderGap = f.durationLabel.left() - f.positionSlider.right();
    if (titleWidth > 120)
        QCOMPARE(titleGap, 10.0);
    else
        QVERIFY(titleGap <= 10.0);
    if (sliderWidth > 120)
        QCOMPARE(sliderGap, 8.0);
    else
        QVERIFY(sliderGap <= 8.0);
}

void TestLayout::chipWidthLimits_data() {
    QTest::addColumn<double>("fitted");
    QTest::addColumn<double>("width");

    QTest::newRow("no title") << 20.0 << 44.0;
    QTest::newRow("short title") << 43.0 << 44.0;
    QTest::newRow("at the minimum") << 44.0 << 44.0;
    QTest::newRow("ordinary title") << 87.0 << 87.0;
    QTest::newRow("title wider than 240") << 260.0 << 260.0;
}

void TestLayout::chipWidthLimits() {
    QFETCH(double, fitted);
    QFETCH(double, width);

    QCOMPARE(chipWidth(fitted), width);
    // Each chip is placed at the width it was given, raised to the minimum.
    const WindowFrames f = layoutFrames(1280, 720, ChipWidths{fitted, fitted, fitted, fitted});
    QCOMPARE(f.subtitlePopup, QRectF(1194 - width, 13, width, 28));
    QCOMPARE(f.audioPopup.width(), width);
    QCOMPARE(f.qualityPopup.width(), width);
    QCOMPARE(f.ratePopup, QRectF(1264 - width, 28, width, 28));
    // Neighbouring chips are 8 apart.
    QCOMPARE(f.subtitlePopup.left() - f.audioPopup.right(), 8.0);
    QCOMPARE(f.audioPopup.left() - f.qualityPopup.right(), 8.0);
}

void TestLayout::growingChipsPushNeighboursLeft() {
    const WindowFrames before = layoutFrames(1280, 720, ChipWidths{60, 60, 60, 60});

    // The subtitle chip's title grows by 56: it keeps its right end, and the
    // chips and title labels to its left give way in the same pass.
    const WindowFrames subtitle = layoutFrames(1280, 720, ChipWidths{60, 60, 116, 60});
    QCOMPARE(subtitle.subtitlePopup.right(), before.subtitlePopup.right());
    QCOMPARE(subtitle.subtitlePopup.left(), before.subtitlePopup.left() - 56);
    QCOMPARE(subtitle.audioPopup.left(), before.audioPopup.left() - 56);
    QCOMPARE(subtitle.qualityPopup.left(), before.qualityPopup.left() - 56);
    QCOMPARE(subtitle.titleLabel.width(), before.titleLabel.width() - 56);
    QCOMPARE(subtitle.subtitleLabel.width(), before.subtitleLabel.width() - 56);
    QCOMPARE(subtitle.settingsButton, before.settingsButton);
    QCOMPARE(subtitle.positionSlider, before.positionSlider);

    // The speed chip grows: the volume controls, the duration and the end of
    // the position slider move left with it; the badge stays at the right end.
    const WindowFrames rate = layoutFrames(1280, 720, ChipWidths{60, 60, 60, 100});
    QCOMPARE(rate.ratePopup.right(), before.ratePopup.right());
    QCOMPARE(rate.volumeSlider.left(), before.volumeSlider.left() - 40);
    QCOMPARE(rate.volumeButton.left(), before.volumeButton.left() - 40);
    QCOMPARE(rate.durationLabel.left(), before.durationLabel.left() - 40);
    QCOMPARE(rate.positionSlider.width(), before.positionSlider.width() - 40);
    QCOMPARE(rate.liveBadge, before.liveBadge);
    QCOMPARE(rate.titleLabel, before.titleLabel);
}

void TestLayout::pixelGeometry_data() {
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRect>("geometry");

    const WindowFrames f = layoutFrames(1280, 720, ChipWidths{});
    QTest::newRow("whole frame") << f.titleLabel << QRect(48, 9, 988, 18);
    // Halves round up on both edges, so the size survives.
    const WindowFrames odd = layoutFrames(1281, 721, ChipWidths{});
    QTest::newRow("odd: centre button") << odd.centerButton << QRect(601, 321, 80, 80);
    // 192.15 … 1088.85 across, 320.5 … 410.5 down.
    QTest::newRow("odd: error") << odd.errorLabel << QRect(192, 321, 897, 90);
    QTest::newRow("negative half") << QRectF(-0.5, 0, 80, 10) << QRect(0, 0, 80, 10);
}

void TestLayout::pixelGeometry() {
    QFETCH(QRectF, frame);
    QFETCH(QRect, geometry);
    QCOMPARE(velmo::pixelGeometry(frame), geometry);
}

VELMO_TEST_MAIN(TestLayout)
#include "test_ui_layout.moc"
