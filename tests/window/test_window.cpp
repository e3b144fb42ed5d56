// The controller's side of the window: when the bars hide and come back,
// fullscreen, and toasts.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "host/texts.h"
#include "ui/icon_button.h"
#include "ui/player_window.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>

using namespace velmo;
using velmo::test::Harness;

namespace {

// A controller whose clock the test moves.
struct Clocked : Harness {
    double now = 1000;
    Clocked() {
        app.clock = [this] {
            return now;
        };
        app.showControls();
    }
    // Lets `seconds` pass with the UI timer ticking every 0.25 s; returns the
    // time after the last activity at which the bars went, or -1.
    double runFor(double seconds) {
        const double start = app.lastMouse;
        for (double t = 0; t < seconds; t += 0.25) {
            now += 0.25;
            app.tickUI();
            if (app.controlsHidden)
                return now - start;
        }
        return -1;
    }
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void barsHide_data();
    void barsHide();
    void activityKeepsBarsShown();
    void clickTogglesButNeverHidesWhilePaused();
    void fullscreenFollowsTheWindow();
    void toastReplacesAndRestartsItsTime();
    void toastFadesThenHides();
    void menuShortcuts();
    void keys_data();
    void keys();
};

void WindowTest::barsHide_data() {
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("paused");
    QTest::addColumn<bool>("panelOpen");
    QTest::addColumn<bool>("hides");
    QTest::newRow("playing") << true << false << false << true;
    QTest::newRow("before any load") << false << false << false << false;
    QTest::newRow("paused") << true << true << false << false;
    QTest::newRow("style panel open") << true << false << true << false;
}

void WindowTest::barsHide() {
    QFETCH(bool, loaded);
    QFETCH(bool, paused);
    QFETCH(bool, panelOpen);
    QFETCH(bool, hides);
    Clocked h;
    if (loaded)
        h.load();
    h.app.paused = paused;
    h.app.stylePanelShown_ = [panelOpen] {
        return panelOpen;
    };
    h.app.showControls();
    const double after = h.runFor(10);
    if (!hides) {
        QCOMPARE(after, -1.0);
        QVERIFY(!h.app.topBar->isHidden());
        return;
    }
    // Strictly more than 3 s, at the first 0.25 s tick after that.
    QVERIFY2(after > 3.0 && after <= 3.25, qPrintable(QString::number(after)));
    QVERIFY(h.app.topBar->isHidden());
    QVERIFY(h.app.bottomBar->isHidden());
}

void WindowTest::activityKeepsBarsShown() {
    Clocked h;
    h.load();
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(h.runFor(2.0), -1.0);
        h.app.mouseActivity();
    }
    QVERIFY(!h.app.controlsHidden);
    // Closing the style panel lets them go at the next tick.
    bool open = true;
    h.app.stylePanelShown_ = [&open] {
        return open;
    };
    QCOMPARE(h.runFor(5.0), -1.0);
    open = false;
    h.now += 0.25;
    h.app.tickUI();
    QVERIFY(h.app.controlsHidden);
    h.app.mouseActivity();
    QVERIFY(!h.app.controlsHidden);
}

void WindowTest::clickTogglesButNeverHidesWhilePaused() {
    Clocked h;
    h.load();
    h.app.toggleControls();
    QVERIFY(h.app.controlsHidden);
    h.app.toggleControls();
    QVERIFY(!h.app.controlsHidden);
    h.app.paused = true;
    h.app.toggleControls();
    QVERIFY(!h.app.controlsHidden);
    h.event(EngineEvent::Playing);
    h.app.hideControls();
    h.event(EngineEvent::Paused); // pausing shows them
    QVERIFY(!h.app.controlsHidden);
}

void WindowTest::fullscreenFollowsTheWindow() {
    Clocked h;
    h.load();
    h.app.hideControls();
    h.app.window->showFullScreen();
    QTRY_VERIFY(h.app.window->isFullScreen());
    QCOMPARE(h.app.fullscreenButton->symbol(),
             QStringLiteral("arrow.down.right.and.arrow.up.left"));
    QVERIFY(!h.app.controlsHidden); // every change shows the bars
    h.app.toggleFullscreen();
    QTRY_VERIFY(!h.app.window->isFullScreen());
    QCOMPARE(h.app.fullscreenButton->symbol(),
             QStringLiteral("arrow.up.left.and.arrow.down.right"));
    QCOMPARE(h.app.fullscreenButton->toolTip(), text::kFullscreen());
}

void WindowTest::toastReplacesAndRestartsItsTime() {
    Harness h;
    h.app.showToast("first");
    QVERIFY(h.app.toastRemaining() > 1900);
    QTest::qWait(300);
    QVERIFY(h.app.toastRemaining() < 1800);
    h.app.showToast("second");
    QCOMPARE(h.app.toastLabel->text(), QStringLiteral("second"));
    QVERIFY(h.app.toastRemaining() > 1900); // the two seconds start again
}

void WindowTest::toastFadesThenHides() {
    Harness h;
    h.app.showToast("x");
    h.app.hideToast(); // as the timer would
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(h.app.toastLabel->graphicsEffect());
    QVERIFY(effect);
    QVERIFY(!h.app.toastLabel->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(h.app.toastLabel->isHidden(), 2000);
    QCOMPARE(effect->opacity(), 0.0);
    // A toast during a fade survives it.
    h.app.showToast("y");
    h.app.hideToast();
    QTest::qWait(100);
    h.app.showToast("z");
    QTest::qWait(400);
    QVERIFY(!h.app.toastLabel->isHidden());
    QCOMPARE(effect->opacity(), 1.0);
}

void WindowTest::menuShortcuts() {
    Harness h;
    QList<QAction*> actions = h.app.content->actions();
    QStringList titles;
    for (QAction* action : actions)
        if (!action->isSeparator())
            titles << action->text() + " " +
                          action->shortcut().toString(QKeySequence::PortableText);
    QCOMPARE(titles,
             (QStringList{text::kMenuAbout().arg("Velmo Player") + " ",
                          text::kMenuHide() + " Ctrl+H", text::kMenuQuit() + " Ctrl+Q",
                          text::kFullscreen() + " Meta+Ctrl+F", text::kMenuClose() + " Ctrl+W"}));
    // Close player closes the window, which reports "closed".
    h.app.closing = false;
    actions.last()->trigger();
    QCOMPARE(h.events("closed").size(), 1);
}

// Keys reach the controller through the picture, whatever the layout.
void WindowTest::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("effect");
    QTest::newRow("space") << int(Qt::Key_Space) << " "
                           << "pause 1";
    QTest::newRow("left") << int(Qt::Key_Left) << ""
                          << "time 40000";
    QTest::newRow("right") << int(Qt::Key_Right) << ""
                           << "time 60000";
    QTest::newRow("down") << int(Qt::Key_Down) << ""
                          << "volume 45";
    QTest::newRow("m") << int(Qt::Key_M) << "m"
                       << "volume 0";
}

void WindowTest::keys() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, effect);
    Harness h;
    h.load();
    h.app.duration = 100;
    h.app.position = 50;
    h.app.applyVolume(0.5);
    h.player()->calls.clear();
    QTest::keyClick(h.app.content, Qt::Key(key), Qt::NoModifier);
    QCOMPARE(h.player()->calls.value(0), effect);
}

VELMO_TEST_MAIN(WindowTest)
#include "test_window.moc"
