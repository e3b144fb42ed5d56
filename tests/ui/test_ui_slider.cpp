// The position slider as the controller sees it: every change the user makes
// during a press comes with dragging() true, one more report with dragging()
// false ends the press, and the program's own changes are never reported.

#include "support/test_main.h"
#include "ui/velmo_slider.h"

#include <QWheelEvent>

using namespace velmo;

namespace {

struct Report {
    bool dragging;
    double seconds;
};

// A 300-wide slider over 100 seconds in a shown window, with every userMoved()
// recorded as the controller would read it.
struct Fixture {
    explicit Fixture(Qt::LayoutDirection direction = Qt::LeftToRight) {
        window.setLayoutDirection(direction);
        window.resize(340, 60);
        slider = new VelmoSlider(&window);
        slider->setGeometry(20, 20, 300, 20);
        slider->setMaximumSeconds(100);
        QObject::connect(slider, &VelmoSlider::userMoved, [this] {
            reports.append({slider->dragging(), slider->valueSeconds()});
        });
        window.show();
    }
    QPoint at(double fraction) const {
        return QPoint(int(fraction * slider->width()), slider->height() / 2);
    }
    QWidget window;
    VelmoSlider* slider;
    QList<Report> reports;
};

} // namespace

class TestSlider : public QObject {
    Q_OBJECT

private slots:
    void dragReportsEveryChangeAsDragging();
    void clickOnGrooveJumps_data();
    void clickOnGrooveJumps();
    void pressOnKnobDoesNotJump();
    void programChangesAreNotReported();
    void wheelAndKeysDoNotSeek();
    void hidingEndsThePress();
};

void TestSlider::dragReportsEveryChangeAsDragging() {
    Fixture f;
    f.slider->setValueSeconds(50);
    const QPoint knob = f.at(0.5);

    QTest::mousePress(f.slider, Qt::LeftButton, {}, knob);
    QVERIFY(f.slider->dragging());
    QTest::mouseMove(f.slider, knob + QPoint(30, 0));
    QTest::mouseMove(f.slider, knob + QPoint(60, 0));
    QTest::mouseMove(f.slider, knob + QPoint(60, 4)); // across: no change, no report
    QTest::mouseMove(f.slider, knob + QPoint(-20, 0));
    QVERIFY(f.slider->dragging());
    // Released beyond the right end, the pointer still held by the slider.
    QTest::mouseRelease(f.slider, Qt::LeftButton, {}, QPoint(f.slider->width() + 50, 10));
    QVERIFY(!f.slider->dragging());

    QCOMPARE(f.reports.size(), 5);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(f.reports[i].dragging, qPrintable(QString::number(i)));
    QVERIFY(f.reports[0].seconds > 50);
    QVERIFY(f.reports[1].seconds > f.reports[0].seconds);
    QVERIFY(f.reports[2].seconds < 50);
    // The release position is a change of its own, still while dragging…
    QCOMPARE(f.reports[3].seconds, 100.0);
    // …and the press ends with one more report, no longer dragging.
    QVERIFY(!f.reports[4].dragging);
    QCOMPARE(f.reports[4].seconds, 100.0);
}

void TestSlider::clickOnGrooveJumps_data() {
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::addColumn<double>("clickAt");
    QTest::addColumn<double>("expected");

    QTest::newRow("ltr, three quarters") << Qt::LeftToRight << 0.75 << 75.0;
    QTest::newRow("ltr, near the start") << Qt::LeftToRight << 0.1 << 10.0;
    // A right-to-left layout mirrors the slider: the start is at the right.
    QTest::newRow("rtl, three quarters") << Qt::RightToLeft << 0.75 << 25.0;
}

void TestSlider::clickOnGrooveJumps() {
    QFETCH(Qt::LayoutDirection, direction);
    QFETCH(double, clickAt);
    QFETCH(double, expected);

    Fixture f(direction);
    f.slider->setValueSeconds(direction == Qt::LeftToRight ? 0 : 100);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, f.at(clickAt));

    // The knob lands under the pointer (within the knob's own width), at once.
    QCOMPARE(f.reports.size(), 2);
    QVERIFY(f.reports[0].dragging);
    QVERIFY2(qAbs(f.reports[0].seconds - expected) < 6,
             qPrintable(QString::number(f.reports[0].seconds)));
    QVERIFY(!f.reports[1].dragging);
    QCOMPARE(f.reports[1].seconds, f.reports[0].seconds);
    QVERIFY(!f.slider->dragging());
}

void TestSlider::pressOnKnobDoesNotJump() {
    Fixture f;
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, f.at(0.6));
    const double landed = f.slider->valueSeconds();
    f.reports.clear();

    // Pressing the knob where it now is, a little off its centre, grabs it.
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, f.at(0.6) + QPoint(2, 0));
    QCOMPARE(f.reports.size(), 1);
    QVERIFY(!f.reports[0].dragging);
    QCOMPARE(f.reports[0].seconds, landed);
}

void TestSlider::programChangesAreNotReported() {
    Fixture f;
    f.slider->setValueSeconds(30);
    f.slider->setValueSeconds(99.5);
    f.slider->setMaximumSeconds(60); // clamps the value
    QCOMPARE(f.slider->valueSeconds(), 60.0);
    f.slider->setValue(1000);
    f.slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QVERIFY(f.reports.isEmpty());
    QVERIFY(!f.slider->dragging());

    // Not even while the user holds the knob.
    QTest::mousePress(f.slider, Qt::LeftButton, {}, f.at(0.5));
    f.reports.clear();
    f.slider->setMaximumSeconds(20);
    QVERIFY(f.reports.isEmpty());
    QTest::mouseRelease(f.slider, Qt::LeftButton, {}, f.at(0.5));
}

void TestSlider::wheelAndKeysDoNotSeek() {
    Fixture f;
    f.slider->setValueSeconds(40);
    QWheelEvent wheel(QPointF(f.at(0.5)), QPointF(f.slider->mapToGlobal(f.at(0.5))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.slider, &wheel);
    QVERIFY(!wheel.isAccepted());
    QTest::keyClick(f.slider, Qt::Key_Right);
    QTest::keyClick(f.slider, Qt::Key_PageUp);
    QCOMPARE(f.slider->valueSeconds(), 40.0);
    QVERIFY(f.reports.isEmpty());
}

void TestSlider::hidingEndsThePress() {
    // A slider hidden during a press (the media turned out to be live) never
    // sees the release; the press must end anyway.
    Fixture f;
    QTest::mousePress(f.slider, Qt::LeftButton, {}, f.at(0.2));
    QTest::mouseMove(f.slider, f.at(0.4));
    f.slider->hide();
    QVERIFY(!f.slider->dragging());
    QVERIFY(!f.reports.isEmpty());
    QVERIFY(!f.reports.last().dragging);

    f.reports.clear();
    f.slider->show();
    f.slider->setValueSeconds(70);
    QVERIFY(f.reports.isEmpty());
    QTestPrivate::qtestMouseButtons = Qt::NoButton; // the release went nowhere
}

VELMO_TEST_MAIN(TestSlider)
#include "test_ui_slider.moc"
