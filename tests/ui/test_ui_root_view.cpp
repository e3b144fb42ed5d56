// The window's content view turns the user's input into the controller's four
// requests. Mouse input goes through the window system's path (double clicks
// are made there, as for a user), with timestamps chosen by the test.

#include "support/test_main.h"
#include "ui/icon_button.h"
#include "ui/keys.h"
#include "ui/player_controls.h"
#include "ui/root_view.h"
#include "x_input.h"

#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyleHints>

using namespace velmo;
using namespace velmo::test;

namespace {

class FakeControls : public VelmoPlayerControls {
public:
    void mouseActivity() override { calls << QStringLiteral("mouseActivity"); }
    void toggleControls() override { calls << QStringLiteral("toggleControls"); }
    void toggleFullscreen() override { calls << QStringLiteral("toggleFullscreen"); }
    void handleKey(QKeyEvent* event) override {
        calls << QStringLiteral("handleKey");
        keys << event->key();
        texts << event->text();
        actions << keyActionFor(*event);
    }
    // Without the movement reports, which every pointer event brings along.
    QStringList requests() const {
        QStringList result = calls;
        result.removeAll(QStringLiteral("mouseActivity"));
        return result;
    }
    QStringList calls;
    QList<int> keys;
    QStringList texts;
    QList<KeyAction> actions;
};

// A frameless player window: the root view with a bar and a button in the bar.
struct Fixture {
    Fixture() {
        view.setWindowFlag(Qt::FramelessWindowHint);
        view.setGeometry(100, 100, 480, 270);
        view.setApp(&controls);
        bar = new QWidget(&view);
        bar->setGeometry(0, 214, 480, 56);
        button = new IconButton(QStringLiteral("play.fill"), QString(), 19, bar);
        button->setGeometry(16, 13, 30, 30);
        view.show();
        view.activateWindow();
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        base = QTest::lastMouseTimestamp + 100000;
    }
    ~Fixture() { QTest::lastMouseTimestamp = base + 100000; }

    // A pointer event at `pos` in the view, `ms` after the fixture's start.
    void send(QEvent::Type type, QPoint pos, int ms, Qt::MouseButton button = Qt::LeftButton) {
        sendGlobal(type, view.mapToGlobal(pos), ms, button);
    }
    void sendGlobal(QEvent::Type type, QPoint global, int ms,
                    Qt::MouseButton button = Qt::LeftButton) {
        Qt::MouseButtons held;
        if (type == QEvent::MouseButtonPress)
            held = button;
        else if (type == QEvent::MouseMove)
            held = pressed;
        pressed = held;
        last = base + ms;
        qt_handleMouseEvent(view.windowHandle(), view.mapFromGlobal(global), global, held,
                            type == QEvent::MouseMove ? Qt::NoButton : button, type, Qt::NoModifier,
                            last);
        QCoreApplication::processEvents();
    }
    void press(QPoint pos, int ms, Qt::MouseButton b = Qt::LeftButton) {
        send(QEvent::MouseButtonPress, pos, ms, b);
    }
    void release(QPoint pos, int ms, Qt::MouseButton b = Qt::LeftButton) {
        send(QEvent::MouseButtonRelease, pos, ms, b);
    }
    void move(QPoint pos, int ms) { send(QEvent::MouseMove, pos, ms); }

    FakeControls controls;
    PlayerRootView view;
    QWidget* bar;
    IconButton* button;
    int base = 0;
    int last = 0;
    Qt::MouseButtons pressed;
};

} // namespace

class TestRootView : public QObject {
    Q_OBJECT

private slots:
    void clicks_data();
    void clicks();
    void dragMovesTheWindowWithoutClicking_data();
    void dragMovesTheWindowWithoutClicking();
    void movementCountsOnlyInTheActiveWindow();
    void everyKeyGoesToTheController_data();
    void everyKeyGoesToTheController();
    void physicalKeysWithPersianLayout();
    void realPointerUnderX11();
    void focusStaysAfterClickingAButton();
    void syntheticDoubleClick();
    void resizeEdges_data();
    void resizeEdges();
    void resizeCursorAtTheEdges();
    void paintsBlack();
};

void TestRootView::clicks_data() {
    QTest::addColumn<QString>("sequence"); // press/release (P/R, p/r for the right button) at ms
    QTest::addColumn<bool>("onBar");
    QTest::addColumn<QStringList>("requests");

    const QString single = QStringLiteral("toggleControls");
    const QString full = QStringLiteral("toggleFullscreen");
    for (bool onBar : {false, true}) {
        const QByteArray where = onBar ? "on the bar: " : "on the picture: ";
        QTest::newRow(where + "click") << "P0 R60" << onBar << QStringList{single};
        QTest::newRow(where + "press held") << "P0" << onBar << QStringList{};
        QTest::newRow(where + "double click")
            << "P0 R60 P150 R210" << onBar << QStringList{single, full};
        QTest::newRow(where + "triple click")
            << "P0 R60 P150 R210 P300 R360" << onBar << QStringList{single, full, full};
        QTest::newRow(where + "quadruple click") << "P0 R60 P150 R210 P300 R360 P450 R510" << onBar
                                                 << QStringList{single, full, full, full};
        QTest::newRow(where + "two slow clicks")
            << "P0 R60 P2000 R2060" << onBar << QStringList{single, single};
        QTest::newRow(where + "double click, pause, click")
            << "P0 R60 P150 R210 P3000 R3060" << onBar << QStringList{single, full, single};
        QTest::newRow(where + "secondary click") << "p0 r60" << onBar << QStringList{};
    }
}

void TestRootView::clicks() {
    QFETCH(QString, sequence);
    QFETCH(bool, onBar);
    QFETCH(QStringList, requests);

    Fixture f;
    const QPoint at = onBar ? QPoint(240, 240) : QPoint(240, 120);
    for (const QString& step : sequence.split(' ')) {
        const int ms = step.mid(1).toInt();
        const Qt::MouseButton button = step[0].isUpper() ? Qt::LeftButton : Qt::RightButton;
        if (step[0].toUpper() == 'P')
            f.press(at, ms, button);
        else
            f.release(at, ms, button);
    }
    QCOMPARE(f.controls.requests(), requests);
    if (f.pressed)
        f.release(at, f.last - f.base + 10);
}

void TestRootView::dragMovesTheWindowWithoutClicking_data() {
    QTest::addColumn<QPoint>("travel");
    QTest::addColumn<bool>("moves");

    QTest::newRow("drag") << QPoint(60, 25) << true;
    QTest::newRow("drag up and left") << QPoint(-40, -30) << true;
    QTest::newRow("jitter is still a click") << QPoint(2, 1) << false;
}

void TestRootView::dragMovesTheWindowWithoutClicking() {
    QFETCH(QPoint, travel);
    QFETCH(bool, moves);

    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("a synthetic drag cannot drive a window manager's move");
    Fixture f;
    const QPoint origin = f.view.pos();
    const QPoint start = f.view.mapToGlobal(QPoint(240, 120));
    f.sendGlobal(QEvent::MouseButtonPress, start, 0);
    f.sendGlobal(QEvent::MouseMove, start + travel / 2, 20);
    f.sendGlobal(QEvent::MouseMove, start + travel, 40);
    f.sendGlobal(QEvent::MouseButtonRelease, start + travel, 60);

    if (moves) {
        QCOMPARE(f.view.pos(), origin + travel);
        QCOMPARE(f.controls.requests(), QStringList{});
    } else {
        QCOMPARE(f.view.pos(), origin);
        QCOMPARE(f.controls.requests(), QStringList{QStringLiteral("toggleControls")});
    }

    // A drag is not the first click of a double click.
    f.controls.calls.clear();
    f.sendGlobal(QEvent::MouseButtonPress, start, 150);
    f.sendGlobal(QEvent::MouseButtonRelease, start, 200);
    const QString expected =
        moves ? QStringLiteral("toggleControls") : QStringLiteral("toggleFullscreen");
    QCOMPARE(f.controls.requests(), QStringList{expected});
}

void TestRootView::movementCountsOnlyInTheActiveWindow() {
    Fixture f;
    f.move(QPoint(200, 100), 0);
    f.move(QPoint(210, 240), 20); // over the bar
    f.move(QPoint(30, 243), 40);  // over the button
    QCOMPARE(f.controls.calls, QStringList(3, QStringLiteral("mouseActivity")));

    // Another application's window (here: another window) is active.
    QWidget other;
    other.setGeometry(700, 100, 100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!f.view.isActiveWindow());
    f.controls.calls.clear();
    f.move(QPoint(220, 110), 60);
    f.move(QPoint(230, 120), 80);
    QCOMPARE(f.controls.calls, QStringList{});
}

void TestRootView::everyKeyGoesToTheController_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");

    QTest::newRow("s") << int(Qt::Key_S) << "s";
    QTest::newRow("persian letter in the s position") << 0x0633 << QStringLiteral("س");
    QTest::newRow("escape") << int(Qt::Key_Escape) << "\x1b";
    QTest::newRow("unbound key") << int(Qt::Key_Q) << "q";
    QTest::newRow("tab") << int(Qt::Key_Tab) << "\t";
}

void TestRootView::everyKeyGoesToTheController() {
    QFETCH(int, key);
    QFETCH(QString, text);

    // The window around the view would see any key the view passed on.
    struct Window : QWidget {
        int keys = 0;
        void keyPressEvent(QKeyEvent*) override { ++keys; }
    } window;
    FakeControls controls;
    auto* view = new PlayerRootView(&window);
    view->setApp(&controls);
    window.resize(320, 180);
    view->setGeometry(0, 0, 320, 180);
    // Something else in the window that could take the focus (Tab would move it there).
    auto* field = new QWidget(&window);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setGeometry(10, 10, 20, 20);
    window.show();
    view->setFocus();

    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(view, &press);
    QVERIFY(press.isAccepted());
    QCOMPARE(controls.calls, QStringList{QStringLiteral("handleKey")});
    QCOMPARE(controls.keys, QList<int>{key});
    QCOMPARE(controls.texts, QStringList{text});
    QCOMPARE(window.keys, 0);

    // Without a controller the key is still not handed on.
    view->setApp(nullptr);
    QTest::keyClick(view, Qt::Key_F);
    QCOMPARE(window.keys, 0);
    QCOMPARE(view->focusWidget(), view);
}

void TestRootView::physicalKeysWithPersianLayout() {
    // Real key presses through the X server with the Persian layout active:
    // the keys in the S, F and M positions type Persian letters and still act.
    if (!realXInput())
        QSKIP(kRealXInput);
    QProcess query;
    query.start(QStringLiteral("setxkbmap"), {QStringLiteral("-query")});
    QVERIFY(query.waitForFinished());
    const QRegularExpression layoutLine(QStringLiteral("^layout:\\s*(\\S+)"),
                                        QRegularExpression::MultilineOption);
    const QString layout = layoutLine.match(QString::fromLocal8Bit(query.readAll())).captured(1);
    QVERIFY(!layout.isEmpty());
    const auto restore = qScopeGuard([&layout] {
        QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout});
    });
    QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"),
                               {QStringLiteral("-layout"), QStringLiteral("ir")}),
             0);

    Fixture f;
    QVERIFY(
        xdotool({QStringLiteral("key"), QStringLiteral("Arabic_seen"), QStringLiteral("Arabic_beh"),
                 QStringLiteral("Arabic_peh"), QStringLiteral("space"), QStringLiteral("Escape")}));
    QTRY_COMPARE(f.controls.actions.size(), 5);
    QCOMPARE(f.controls.actions,
             (QList<KeyAction>{KeyAction::ToggleSubtitles, KeyAction::ToggleFullscreen,
                               KeyAction::ToggleMute, KeyAction::TogglePlay, KeyAction::Escape}));
    QCOMPARE(f.controls.texts.mid(0, 3),
             (QStringList{QStringLiteral("س"), QStringLiteral("ب"), QStringLiteral("پ")}));
}

void TestRootView::realPointerUnderX11() {
    // Clicks, double and triple clicks and a drag made by the X server, with
    // the window manager moving the frameless window.
    if (!realXInput())
        QSKIP(kRealXInput);
    Fixture f;
    const auto at = [&f](QPoint local) {
        return pointerTo(f.view.mapToGlobal(local));
    };
    const QString left = QStringLiteral("1");
    auto clicks = [&](int count) {
        return at(QPoint(240, 120)) +
               QStringList{QStringLiteral("click"), QStringLiteral("--repeat"),
                           QString::number(count),  QStringLiteral("--delay"),
                           QStringLiteral("60"),    left};
    };
    const QString single = QStringLiteral("toggleControls");
    const QString full = QStringLiteral("toggleFullscreen");

    QVERIFY(xdotool(clicks(1)));
    QTRY_COMPARE(f.controls.requests(), QStringList{single});
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
    f.controls.calls.clear();
    QVERIFY(xdotool(clicks(2)));
    QTRY_COMPARE(f.controls.requests(), (QStringList{single, full}));
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
    f.controls.calls.clear();
    QVERIFY(xdotool(clicks(3)));
    QTRY_COMPARE(f.controls.requests(), (QStringList{single, full, full}));
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);

    // A drag on the bar's background moves the window and clicks nothing.
    f.controls.calls.clear();
    const QPoint origin = f.view.pos();
    QStringList drag = at(QPoint(240, 240)) + QStringList{QStringLiteral("mousedown"), left};
    for (int step = 0; step < 4; ++step) {
        drag << QStringLiteral("sleep") << QStringLiteral("0.15")
             << QStringLiteral("mousemove_relative") << QStringLiteral("15")
             << QStringLiteral("10");
    }
    drag << QStringLiteral("sleep") << QStringLiteral("0.15") << QStringLiteral("mouseup") << left;
    QVERIFY(xdotool(drag));
    QTRY_VERIFY(f.view.pos().x() > origin.x() && f.view.pos().y() > origin.y());
    QTest::qWait(200);
    QCOMPARE(f.controls.requests(), QStringList{});
}

void TestRootView::focusStaysAfterClickingAButton() {
    Fixture f;
    int clicked = 0;
    QObject::connect(f.button, &IconButton::clicked, [&] { ++clicked; });
    const QPoint onButton = f.button->mapTo(&f.view, f.button->rect().center());
    f.press(onButton, 0);
    f.release(onButton, 60);
    QCOMPARE(clicked, 1);
    QCOMPARE(QApplication::focusWidget(), &f.view);
    // The button's press was its own: the picture saw no click.
    QCOMPARE(f.controls.requests(), QStringList{});

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(f.controls.requests(), QStringList{QStringLiteral("handleKey")});
}

void TestRootView::syntheticDoubleClick() {
    // QTest sends a widget a double-click event alone, or a press followed by
    // a double-click event for the same press: one request either way.
    Fixture f;
    QTest::mouseDClick(&f.view, Qt::LeftButton, {}, QPoint(200, 100));
    QCOMPARE(f.controls.requests(), QStringList{QStringLiteral("toggleFullscreen")});

    f.controls.calls.clear();
    const QPoint at(200, 100);
    const QPoint global = f.view.mapToGlobal(at);
    const ulong t = ulong(f.base) + 50000;
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    press.setTimestamp(t);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    twice.setTimestamp(t);
    QApplication::sendEvent(&f.view, &press);
    QApplication::sendEvent(&f.view, &twice);
    QCOMPARE(f.controls.requests(), QStringList{});
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    release.setTimestamp(t + 40);
    QApplication::sendEvent(&f.view, &release);
    QCOMPARE(f.controls.requests(), QStringList{QStringLiteral("toggleControls")});
}

void TestRootView::resizeEdges_data() {
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("edges");

    const int left = Qt::LeftEdge, right = Qt::RightEdge, top = Qt::TopEdge,
              bottom = Qt::BottomEdge;
    // A 480 × 270 window, a margin of 6.
    QTest::newRow("inside") << QPoint(240, 135) << 0;
    QTest::newRow("left edge") << QPoint(0, 135) << left;
    QTest::newRow("last point of the left margin") << QPoint(5, 135) << left;
    QTest::newRow("just inside the left margin") << QPoint(6, 135) << 0;
    QTest::newRow("right edge") << QPoint(479, 135) << right;
    QTest::newRow("first point of the right margin") << QPoint(474, 135) << right;
    QTest::newRow("just inside the right margin") << QPoint(473, 135) << 0;
    QTest::newRow("top") << QPoint(240, 0) << top;
    QTest::newRow("bottom") << QPoint(240, 269) << bottom;
    QTest::newRow("top-left corner") << QPoint(2, 3) << (left | top);
    QTest::newRow("top-right corner") << QPoint(478, 1) << (right | top);
    QTest::newRow("bottom-left corner") << QPoint(0, 266) << (left | bottom);
    QTest::newRow("bottom-right corner") << QPoint(479, 269) << (right | bottom);
    QTest::newRow("outside") << QPoint(-1, 135) << 0;
    QTest::newRow("outside below") << QPoint(240, 270) << 0;
}

void TestRootView::resizeEdges() {
    QFETCH(QPoint, pos);
    QFETCH(int, edges);

    QCOMPARE(int(resizeEdgesAt(pos, QSize(480, 270), 6)), edges);
}

void TestRootView::resizeCursorAtTheEdges() {
    Fixture f;
    f.move(QPoint(2, 120), 0);
    QCOMPARE(f.view.cursor().shape(), Qt::SizeHorCursor);
    f.move(QPoint(478, 268), 20);
    QCOMPARE(f.view.cursor().shape(), Qt::SizeFDiagCursor);
    f.move(QPoint(240, 120), 40);
    QCOMPARE(f.view.cursor().shape(), Qt::ArrowCursor);

    // A fullscreen window has no edges to drag.
    f.view.setWindowState(Qt::WindowFullScreen);
    f.move(QPoint(1, 120), 60);
    QCOMPARE(f.view.cursor().shape(), Qt::ArrowCursor);
}

void TestRootView::paintsBlack() {
    Fixture f;
    const QImage image = f.view.grab(QRect(200, 50, 40, 40)).toImage();
    QCOMPARE(image.pixelColor(20, 20), QColor(Qt::black));
    QVERIFY(f.view.testAttribute(Qt::WA_OpaquePaintEvent));
}

VELMO_TEST_MAIN(TestRootView)
#include "test_ui_root_view.moc"
