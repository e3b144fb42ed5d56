// The window part as the player wires it: when the bars hide and come back, the
// pointer in fullscreen, fullscreen, toasts, and the labels and overlays as built.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/texts.h"
#include "subtitles/overlay.h"
#include "ui/fonts.h"
#include "ui/icon_button.h"
#include "ui/menu_chip.h"
#include "ui/player_window.h"
#include "ui/root_view.h"
#include "ui/text_label.h"
#include "ui/toast.h"
#include "ui/video_view.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QScreen>

using namespace velmo;
using velmo::test::Harness;

namespace {

// The player whose clock the test moves.
struct Clocked : Harness {
    double since = 0; // the last activity
    Clocked() { activity(); }
    void activity() {
        window().mouseActivity();
        since = now();
    }
    // Lets `seconds` pass with the bars' check ticking every 0.25 s; returns
    // the time after the last activity at which the bars went, or -1.
    double runFor(double seconds) {
        for (double t = 0; t < seconds; t += 0.25) {
            advance(250);
            window().tick();
            if (window().controlsHidden())
                return now() - since;
        }
        return -1;
    }
    // One tick of the bars' check, a quarter of a second on.
    void tick() {
        advance(250);
        window().tick();
    }
};

QLabel* labelNamed(Harness& h, const char* name) {
    return h.find<QLabel>(name);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void barsHide_data();
    void barsHide();
    void activityKeepsBarsShown();
    void clickTogglesButNeverHidesWhilePaused();
    void openMenuHoldsTheBars();
    void pointerHidesWithTheBarsInFullscreen_data();
    void pointerHidesWithTheBarsInFullscreen();
    void timeLabelDigitsHaveOneWidth();
    void labelsAndOverlays_data();
    void labelsAndOverlays();
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
    if (loaded) {
        h.load();
        h.advance(400); // past the fullscreen after the first load, which shows the bars
    }
    if (paused)
        h.event(EngineEvent::Paused);
    h.window().setControlsHeld([panelOpen] { return panelOpen; });
    h.activity();
    const double after = h.runFor(10);
    if (!hides) {
        QCOMPARE(after, -1.0);
        QVERIFY(!h.find<QWidget>("topBar")->isHidden());
        return;
    }
    // Strictly more than 3 s, at the first 0.25 s tick after that.
    QVERIFY2(after > 3.0 && after <= 3.25, qPrintable(QString::number(after)));
    QVERIFY(h.find<QWidget>("topBar")->isHidden());
    QVERIFY(h.find<QWidget>("bottomBar")->isHidden());
}

void WindowTest::activityKeepsBarsShown() {
    Clocked h;
    h.load();
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(h.runFor(2.0), -1.0);
        h.activity();
    }
    QVERIFY(!h.window().controlsHidden());
    // Closing the style panel lets them go at the next tick.
    bool open = true;
    h.window().setControlsHeld([&open] { return open; });
    QCOMPARE(h.runFor(5.0), -1.0);
    open = false;
    h.tick();
    QVERIFY(h.window().controlsHidden());
    h.activity();
    QVERIFY(!h.window().controlsHidden());
}

void WindowTest::clickTogglesButNeverHidesWhilePaused() {
    Clocked h;
    h.load();
    h.window().toggleControls();
    QVERIFY(h.window().controlsHidden());
    h.window().toggleControls();
    QVERIFY(!h.window().controlsHidden());
    h.event(EngineEvent::Paused);
    h.window().toggleControls();
    QVERIFY(!h.window().controlsHidden());
    h.event(EngineEvent::Playing);
    h.window().hideControls();
    h.event(EngineEvent::Paused); // pausing shows them
    QVERIFY(!h.window().controlsHidden());
}

void WindowTest::openMenuHoldsTheBars() {
    // The pointer is over the menu, not the window: no movement reaches the
    // controller while the user reads it.
    Clocked h;
    h.load();
    QMenu* menu = h.find<MenuChip>("rateChip")->menu();
    QVERIFY(menu && !menu->isEmpty());
    menu->popup(QPoint(10, 10));
    QTRY_VERIFY(QApplication::activePopupWidget() == menu);
    QCOMPARE(h.runFor(10), -1.0);
    menu->close();
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    h.tick();
    QVERIFY(h.window().controlsHidden());
}

void WindowTest::pointerHidesWithTheBarsInFullscreen_data() {
    QTest::addColumn<bool>("fullscreen");
    QTest::newRow("fullscreen") << true;
    QTest::newRow("window") << false;
}

void WindowTest::pointerHidesWithTheBarsInFullscreen() {
    QFETCH(bool, fullscreen);
    Clocked h;
    h.load();
    h.advance(400); // the first load goes fullscreen by itself
    QTRY_VERIFY(h.window().isFullScreen() && h.window().size() == h.window().screen()->size());
    if (!fullscreen) {
        h.window().toggleFullscreen();
        QTRY_VERIFY(!h.window().isFullScreen());
    }
    h.activity();
    auto* root = h.find<PlayerRootView>("rootView");
    QVERIFY(root);
    // What the user sees: the cursor of whatever lies under the pointer.
    auto shapeOver = [&](QWidget* widget) {
        return widget->cursor().shape();
    };
    QVERIFY(h.runFor(4) > 0);
    QVERIFY(h.window().controlsHidden());
    const Qt::CursorShape hidden = fullscreen ? Qt::BlankCursor : Qt::ArrowCursor;
    QCOMPARE(shapeOver(root), hidden);
    QCOMPARE(shapeOver(h.find<QWidget>("videoView")), hidden);
    QCOMPARE(shapeOver(h.find<QWidget>("subtitleOverlay")), hidden);
    // A menu opened now is a window of its own and keeps its pointer.
    QCOMPARE(h.find<MenuChip>("rateChip")->menu()->cursor().shape(), Qt::ArrowCursor);

    // Moving the mouse brings it back, whether the window is active or not
    // (inactive, the bars stay hidden).
    QWindow* native = h.window().windowHandle();
    QTest::mouseMove(native, QPoint(200, 200));
    QTest::mouseMove(native, QPoint(240, 230));
    QCOMPARE(shapeOver(root), Qt::ArrowCursor);

    // So does every showing of the bars, here by pausing.
    h.window().showControls();
    h.window().hideControls();
    QCOMPARE(shapeOver(root), hidden);
    h.playback().togglePlay();
    QVERIFY(!h.window().controlsHidden());
    QCOMPARE(shapeOver(root), Qt::ArrowCursor);

    // Leaving fullscreen while the pointer is hidden brings it back.
    if (fullscreen) {
        h.event(EngineEvent::Playing);
        h.window().hideControls();
        QCOMPARE(shapeOver(root), Qt::BlankCursor);
        h.window().toggleFullscreen();
        QTRY_VERIFY(!h.window().isFullScreen());
        QCOMPARE(shapeOver(root), Qt::ArrowCursor);
    }
}

void WindowTest::timeLabelDigitsHaveOneWidth() {
    // With the player's own fonts registered, as the player does at start-up.
    const QDir fonts(QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../../assets/Fonts"));
    QVERIFY2(!registerFontsIn(fonts.path()).isEmpty(),
             "no fonts in assets/Fonts (scripts/fetch-assets fetches them)");
    Harness h;
    for (QLabel* label : {labelNamed(h, "currentLabel"), labelNamed(h, "durationLabel")}) {
        const QFont font = label->font();
        const QFontMetricsF metrics(font);
        QList<double> advances;
        for (char digit = '0'; digit <= '9'; ++digit)
            advances << metrics.horizontalAdvance(QLatin1Char(digit));
        QVERIFY2(std::all_of(advances.begin(), advances.end(),
                             [&](double a) { return a == advances.first(); }),
                 qPrintable(QFontInfo(font).family()));
        QCOMPARE(font.pointSizeF(), 11.5);
        QCOMPARE(font.weight(), QFont::Medium);
        // Clock texts up to ten hours fit the label on one line.
        for (const QString& clock : {QStringLiteral("59:59"), QStringLiteral("9:59:59")}) {
            label->setText(clock);
            QCOMPARE(static_cast<TextLabel*>(label)->shownLines(), QStringList{clock});
        }
    }
    // The Persian texts keep the player's Persian font.
    for (QLabel* label : {labelNamed(h, "titleLabel"), labelNamed(h, "loadingLabel"), labelNamed(h, "errorLabel")})
        QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Vazirmatn"));
}

// Every label of the window as the user sees it: a long text cut at its end
// within its line limit, plain text never read as markup, and the boxes with
// rounded corners where there is a background.
void WindowTest::labelsAndOverlays_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("rounded");
    QTest::newRow("title") << "titleLabel" << 1 << QColor(Qt::transparent) << false;
    QTest::newRow("subtitle") << "subtitleLabel" << 1 << QColor(Qt::transparent) << false;
    QTest::newRow("current time") << "currentLabel" << 2 << QColor(Qt::transparent) << false;
    QTest::newRow("loading") << "loadingLabel" << 2 << QColor(Qt::transparent) << false;
    QTest::newRow("error") << "errorLabel" << 4 << QColor::fromRgbF(0.6f, 0.1f, 0.1f, 0.85f)
                           << true;
    QTest::newRow("toast") << "toastLabel" << 2 << QColor::fromRgbF(0.05f, 0.05f, 0.05f, 0.85f)
                           << true;
    QTest::newRow("live badge") << "liveBadge" << 2 << QColor::fromRgbF(0, 0, 0, 0.5f) << true;
}

void WindowTest::labelsAndOverlays() {
    QFETCH(QString, name);
    QFETCH(int, maxLines);
    QFETCH(QColor, background);
    QFETCH(bool, rounded);
    Harness h;
    auto* label = h.find<TextLabel>(qPrintable(name));
    QVERIFY(label);
    const double width = label->contentsRect().width();
    QVERIFY(width > 0);

    // Markup from the parent application or a media file stays text.
    label->setText(QStringLiteral("<br>"));
    QCOMPARE(label->shownLines(), QStringList{"<br>"});

    // A long Persian text: exactly the line limit, each line within the label,
    // the last one cut with an ellipsis, the beginning kept.
    QString text = QStringLiteral("آغاز");
    for (int i = 0; i < 80; ++i)
        text += QStringLiteral(" کلمه‌ای");
    label->setText(text);
    const QStringList lines = label->shownLines();
    QCOMPARE(lines.size(), maxLines);
    QVERIFY(lines.first().startsWith(QStringLiteral("آغاز")));
    QVERIFY2(lines.last().endsWith(QChar(0x2026)), qPrintable(lines.last()));
    const QFontMetricsF metrics(label->font());
    for (const QString& line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) <= width + 0.5, qPrintable(line));

    // The box: nothing in the corner when it is rounded, the colour along the
    // middle of its top edge.
    label->setText(QString());
    QImage image(label->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    label->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor edge = image.pixelColor(image.width() / 2, 1);
    const QColor corner = image.pixelColor(0, 0);
    if (background.alpha() == 0) {
        QCOMPARE(edge.alpha(), 0);
        return;
    }
    QVERIFY2(std::abs(edge.alpha() - background.alpha()) <= 2 &&
                 std::abs(edge.red() - background.red()) <= 2 &&
                 std::abs(edge.green() - background.green()) <= 2 &&
                 std::abs(edge.blue() - background.blue()) <= 2,
             qPrintable(edge.name(QColor::HexArgb)));
    QCOMPARE(corner.alpha() < 60, rounded);
}

void WindowTest::fullscreenFollowsTheWindow() {
    Clocked h;
    h.load();
    h.window().hideControls();
    h.window().showFullScreen();
    QTRY_VERIFY(h.window().isFullScreen());
    auto* button = h.find<IconButton>("fullscreenButton");
    QCOMPARE(button->symbol(), QStringLiteral("arrow.down.right.and.arrow.up.left"));
    QVERIFY(!h.window().controlsHidden()); // every change shows the bars
    h.window().toggleFullscreen();
    QTRY_VERIFY(!h.window().isFullScreen());
    QCOMPARE(button->symbol(), QStringLiteral("arrow.up.left.and.arrow.down.right"));
    QCOMPARE(button->toolTip(), text::kFullscreen());
}

void WindowTest::toastReplacesAndRestartsItsTime() {
    Harness h;
    h.window().showToast("first");
    QVERIFY(h.window().toast().remaining() > 1900);
    QTest::qWait(300);
    QVERIFY(h.window().toast().remaining() < 1800);
    h.window().showToast("second");
    QCOMPARE(labelNamed(h, "toastLabel")->text(), QStringLiteral("second"));
    QVERIFY(h.window().toast().remaining() > 1900); // the two seconds start again
}

void WindowTest::toastFadesThenHides() {
    Harness h;
    QLabel* toast = labelNamed(h, "toastLabel");
    h.window().showToast("x");
    h.window().toast().fade(); // as the timer would
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(toast->graphicsEffect());
    QVERIFY(effect);
    QVERIFY(!toast->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(toast->isHidden(), 2000);
    QCOMPARE(effect->opacity(), 0.0);
    // A toast during a fade survives it.
    h.window().showToast("y");
    h.window().toast().fade();
    QTest::qWait(100);
    h.window().showToast("z");
    QTest::qWait(400);
    QVERIFY(!toast->isHidden());
    QCOMPARE(effect->opacity(), 1.0);
}

void WindowTest::menuShortcuts() {
    Harness h;
    QList<QAction*> actions = h.find<QWidget>("rootView")->actions();
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
    h.startPlaying();
    h.playAt(50, 100);
    h.send(QByteArray(R"({"command":"setVolume","volume":0.5})"));
    h.player()->calls.clear();
    QTest::keyClick(h.find<QWidget>("rootView"), Qt::Key(key), Qt::NoModifier);
    QCOMPARE(h.player()->calls.value(0), effect);
}

VELMO_TEST_MAIN(WindowTest)
#include "test_window.moc"
