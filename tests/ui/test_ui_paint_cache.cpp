// The bars repaint with every video frame, so their controls keep their last
// drawing: repainting an unchanged control draws nothing anew, and a change
// that shows is drawn at the next paint.

#include "ui/cached_slider.h"
#include "ui/icon_button.h"
#include "ui/text_label.h"

#include <QApplication>
#include <QTest>

using namespace velmo;

class PaintCacheTest : public QObject {
    Q_OBJECT

private slots:
    void iconDrawnOnce_data();
    void iconDrawnOnce();
    void sliderDrawnAgainOnlyWhenItChanges();
    void labelShowsItsNewText();
};

void PaintCacheTest::iconDrawnOnce_data() {
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<int>("side");
    // Fractional artwork sizes (point size × 1.25) as in the bars, and whole ones.
    QTest::newRow("13 pt in 24") << 13.0 << 24;
    QTest::newRow("14 pt in 24") << 14.0 << 24;
    QTest::newRow("19 pt in 30") << 19.0 << 30;
    QTest::newRow("16 pt in 26") << 16.0 << 26;
    QTest::newRow("46 pt in 80") << 46.0 << 80;
}

void PaintCacheTest::iconDrawnOnce() {
    QFETCH(double, pointSize);
    QFETCH(int, side);
    IconButton button(QStringLiteral("play.fill"), QString(), pointSize);
    button.resize(side, side);
    const QImage first = button.grab().toImage();
    button.grab();
    button.grab();
    QCOMPARE(button.drawings(), 1);
    // A new symbol is drawn, once.
    button.setSymbol(QStringLiteral("pause.fill"));
    const QImage second = button.grab().toImage();
    button.grab();
    QCOMPARE(button.drawings(), 2);
    QVERIFY(first != second);
}

void PaintCacheTest::sliderDrawnAgainOnlyWhenItChanges() {
    CachedSlider slider(Qt::Horizontal);
    slider.setRange(0, 100);
    slider.setValue(10);
    slider.resize(200, 20);
    const QImage at10 = slider.grab().toImage();
    slider.grab();
    QCOMPARE(slider.drawings(), 1);
    slider.setValue(10); // no change
    slider.grab();
    QCOMPARE(slider.drawings(), 1);
    slider.setValue(90);
    const QImage at90 = slider.grab().toImage();
    QCOMPARE(slider.drawings(), 2);
    QVERIFY(at10 != at90);
    slider.setValue(10);
    QCOMPARE(slider.grab().toImage(), at10);
    slider.resize(150, 20);
    slider.grab();
    QCOMPARE(slider.drawings(), 4);
}

void PaintCacheTest::labelShowsItsNewText() {
    TextLabel label(QStringLiteral("00:01"));
    label.resize(58, 20);
    const QImage one = label.grab().toImage();
    label.setText(QStringLiteral("00:02"));
    const QImage two = label.grab().toImage();
    QVERIFY(one != two);
    QPalette p = label.palette();
    p.setColor(QPalette::WindowText, Qt::red);
    label.setPalette(p);
    QVERIFY(label.grab().toImage() != two);
    label.setText(QStringLiteral("00:01"));
    label.setPalette(QPalette());
    QCOMPARE(label.grab().toImage(), one);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PaintCacheTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ui_paint_cache.moc"
