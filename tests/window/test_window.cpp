// The controller's side of the window: when the bars hide and come back, the
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

void WindowTest::openMenuHoldsTheBars() {
    // The pointer is over the menu, not the window: no movement reaches the
    // controller while the user reads it.
    Clocked h;
    h.load();
    QMenu* menu = h.app.ratePopup->menu();
    QVERIFY(menu && !menu->isEmpty());
    menu->popup(QPoint(10, 10));
    QTRY_VERIFY(QApplication::activePopupWidget() == menu);
    QCOMPARE(h.runFor(10), -1.0);
    menu->close();
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    h.now += 0.25;
    h.app.tickUI();
    QVERIFY(h.app.controlsHidden);
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
    if (fullscreen) {
        h.app.toggleFullscreen();
        QTRY_VERIFY(h.app.window->isFullScreen() &&
                    h.app.window->size() == h.app.window->screen()->size());
    }
    auto* root = qobject_cast<PlayerRootView*>(h.app.content);
    QVERIFY(root);
    // What the user sees: the cursor of whatever lies under the pointer.
    auto shapeOver = [&](QWidget* widget) {
        return widget->cursor().shape();
    };
    QVERIFY(h.runFor(4) > 0);
    QVERIFY(h.app.controlsHidden);
    const Qt::CursorShape hidden = fullscreen ? Qt::BlankCursor : Qt::ArrowCursor;
    QCOMPARE(shapeOver(root), hidden);
    QCOMPARE(shapeOver(h.app.video), hidden);
    QCOMPARE(shapeOver(h.app.subtitle), hidden);
    // A menu opened now is a window of its own and keeps its pointer.
    QCOMPARE(h.app.ratePopup->menu()->cursor().shape(), Qt::ArrowCursor);

    // Moving the mouse brings it back, whether the window is active or not
    // (inactive, the bars stay hidden).
    QWindow* native = h.app.window->windowHandle();
    QTest::mouseMove(native, QPoint(200, 200));
    QTest::mouseMove(native, QPoint(240, 230));
    QCOMPARE(shapeOver(root), Qt::ArrowCursor);

    // So does every showing of the bars, here by pausing.
    h.app.showControls();
    h.app.hideControls();
    QCOMPARE(shapeOver(root), hidden);
    h.app.togglePlay();
    QVERIFY(!h.app.controlsHidden);
    QCOMPARE(shapeOver(root), Qt::ArrowCursor);

    // Leaving fullscreen while the pointer is hidden brings it back.
    if (fullscreen) {
        h.app.paused = false;
        h.app.hideControls();
        QCOMPARE(shapeOver(root), Qt::BlankCursor);
        h.app.toggleFullscreen();
        QTRY_VERIFY(!h.app.window->isFullScreen());
        QCOMPARE(shapeOver(root), Qt::ArrowCursor);
    }
}

void WindowTest::timeLabelDigitsHaveOneWidth() {
    // With the player's own fonts registered, as the player does at start-up.
    const QDir fonts(QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../../assets/Fonts"));
    QVERIFY2(!registerFontsIn(fonts.path()).isEmpty(),
             "no fonts in assets/Fonts (scripts/fetch-assets fetches them)");
    Harness h;
    for (QLabel* label : {h.app.currentLabel, h.app.durationLabel}) {
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
    for (QLabel* label : {h.app.titleLabel, h.app.loadingLabel, h.app.errorLabel})
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
    QLabel* const fields[] = {h.app.titleLabel,   h.app.subtitleLabel, h.app.currentLabel,
                              h.app.loadingLabel, h.app.errorLabel,    h.app.toastLabel,
                              h.app.liveBadge};
    const QStringList names{"titleLabel", "subtitleLabel", "currentLabel", "loadingLabel",
                            "errorLabel", "toastLabel",    "liveBadge"};
    auto* label = qobject_cast<TextLabel*>(fields[names.indexOf(name)]);
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
