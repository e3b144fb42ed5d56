// The subtitle style panel as the user meets it: what it shows when it opens,
// what each control stores, draws and reports, the colour dialog, reset, the
// bars while it is open, where it goes, and a panel whose controller is gone.
// Also the font lookup behind the subtitle font setting.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/texts.h"
#include "subtitles/colors.h"
#include "subtitles/overlay.h"
#include "subtitles/panel.h"
#include "subtitles/font_lookup.h"
#include "ui/fonts.h"
#include "ui/icon_button.h"
#include "ui/player_window.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionSlider>

#include <cmath>
#include <functional>

using namespace velmo;
using velmo::test::Harness;

namespace {

// The player with its window, whose panel the gear has opened.
struct Panel : Harness {
    Panel() { openPanel(); }
    void openPanel() { find<IconButton>("settingsButton")->click(); }
    StylePanelController* panel() { return app().stylePanel(); }
    // Lets `seconds` pass with the bars' check ticking every 0.25 s.
    void runFor(double seconds) {
        for (double t = 0; t < seconds; t += 0.25) {
            advance(250);
            window().tick();
        }
    }
};

// Opens the panel after a "setSubtitleStyle" command with these keys.
struct PanelAfter : Panel {
    explicit PanelAfter(const QJsonObject& style) {
        QJsonObject command = style;
        command.insert("command", "setSubtitleStyle");
        send(command);
        openPanel();
    }
};

QPoint handleCentre(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.upsideDown = slider->invertedAppearance() != (option.direction == Qt::RightToLeft);
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

// The columns, from the left, between which a rendered widget has anything lighter
// than the panel's background.
std::pair<int, int> inkColumns(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) > 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {int(first / image.devicePixelRatio()), int(last / image.devicePixelRatio())};
}

SubtitleOverlayView* overlay(Harness& h) {
    return h.find<SubtitleOverlayView>("subtitleOverlay");
}

// The look the overlay is to have for the style in force.
void checkOverlayFollowsSettings(Harness& h) {
    const SubtitleStyle& style = h.subtitles().style();
    const QFont expected = ResolveFont(style.font, style.size);
    QCOMPARE(overlay(h)->font().family(), expected.family());
    QCOMPARE(overlay(h)->font().pointSizeF(), style.size);
    QCOMPARE(overlay(h)->textColor(), HexColor(style.color, Qt::white));
    QCOMPARE(overlay(h)->boxColor(), HexColor(style.background, Qt::black));
    QCOMPARE(overlay(h)->boxOpacity(), style.backgroundOpacity);
}

// Something the overlay would never be given by the settings in these tests.
void spoilOverlay(Harness& h) {
    overlay(h)->setFont(QFont(QStringLiteral("DejaVu Serif"), 9));
    overlay(h)->setTextColor(Qt::magenta);
    overlay(h)->setBoxColor(Qt::cyan);
    overlay(h)->setBoxOpacity(0.99);
}

// What the subtitle part needs of an engine, without one.
struct NoEngine final : EngineSubtitles {
    bool hasPlayer() override { return false; }
    QList<EmbeddedTrack> embeddedTracks() override { return {}; }
    int drawnTrack() override { return -1; }
    void drawTrack(int) override {}
    bool drawFile(const QString&) override { return false; }
};

// A "name" table with the given records (platform, encoding, name ID, bytes);
// the strings follow the records in order.
QByteArray nameTable(const QList<std::tuple<int, int, int, QByteArray>>& records) {
    QByteArray table;
    auto put16 = [&table](int value) {
        table.append(char(value >> 8 & 0xff));
        table.append(char(value & 0xff));
    };
    put16(0);
    put16(int(records.size()));
    put16(6 + 12 * int(records.size()));
    int offset = 0;
    for (const auto& [platform, encoding, id, bytes] : records) {
        put16(platform);
        put16(encoding);
        put16(0x409);
        put16(id);
        put16(int(bytes.size()));
        put16(offset);
        offset += int(bytes.size());
    }
    for (const auto& record : records)
        table.append(std::get<3>(record));
    return table;
}

QByteArray utf16be(const QString& text) {
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xff));
    }
    return bytes;
}

} // namespace

class StylePanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void opensWithDefaults();
    void showsStoredSettings_data();
    void showsStoredSettings();
    void draggingStoresFractionalSizes();
    void eachEditStoresRedrawsAndReports();
    void pickingTheShownFontStoresIt();
    void resetRestoresDefaults();
    void colorDialogReportsWhilePicking_data();
    void colorDialogReportsWhilePicking();
    void barsStayWhileOpen();
    void placement_data();
    void placement();
    void opensBesideTheGear();
    void labelsShapePersian();
    void orphanPanelDoesNothing();
    void resolveFont_data();
    void resolveFont();
    void faceNamesFromMalformedTables();
};

void StylePanelTest::initTestCase() {
    QVERIFY(registerFontsIn(QStringLiteral(VELMO_FONTS_DIR)).contains(QStringLiteral("Vazirmatn")));
}

void StylePanelTest::opensWithDefaults() {
    Panel h;
    StylePanelController* p = h.panel();
    QVERIFY(p);
    QVERIFY(p->isVisible());
    QVERIFY(p->isWindow());
    QCOMPARE(p->size(), QSize(362, 330));
    QCOMPARE(p->fontPopup->currentText(), QStringLiteral("Vazirmatn"));
    QCOMPARE(p->fontPopup->count(), int(fontChoices().size()));
    for (int i = 0; i < p->fontPopup->count(); ++i)
        QCOMPARE(p->fontPopup->itemText(i), fontChoices().at(i));
    QCOMPARE(p->sizeSlider->valueF(), 26.0);
    QCOMPARE(p->sizeLabel->text(), QStringLiteral("26"));
    QCOMPARE(p->textWell->color(), QColor(Qt::white));
    QCOMPARE(p->boxWell->color(), QColor(Qt::black));
    QCOMPARE(p->opacitySlider->valueF(), 0.55);
    QCOMPARE(p->opacityLabel->text(), QStringLiteral("55%"));
    // Opening is not an edit: nothing is stored or reported.
    QVERIFY(h.events("settings").isEmpty());
    // A second opening reuses the panel.
    h.openPanel();
    QCOMPARE(h.panel(), p);
}

void StylePanelTest::showsStoredSettings_data() {
    QTest::addColumn<QJsonObject>("style");
    QTest::addColumn<QString>("font");
    QTest::addColumn<double>("slider");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("box");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<QString>("opacityText");

    const QColor white(Qt::white), black(Qt::black);
    QTest::newRow("font in another case")
        << QJsonObject{{"subtitleFont", "vAZIRMATN"}} << "Vazirmatn" << 26.0 << "26" << white
        << black << 0.55 << "55%";
    QTest::newRow("last font") << QJsonObject{{"subtitleFont", "georgia"}} << "Georgia" << 26.0
                               << "26" << white << black << 0.55 << "55%";
    QTest::newRow("unknown font") << QJsonObject{{"subtitleFont", "Comic Sans"}} << "Vazirmatn"
                                  << 26.0 << "26" << white << black << 0.55 << "55%";
    QTest::newRow("size above the slider") << QJsonObject{{"subtitleSize", 70}} << "Vazirmatn"
                                           << 56.0 << "70" << white << black << 0.55 << "55%";
    QTest::newRow("size below the slider, half away from zero")
        << QJsonObject{{"subtitleSize", -2.5}} << "Vazirmatn" << 14.0 << "-3" << white << black
        << 0.55 << "55%";
    QTest::newRow("half size rounds up") << QJsonObject{{"subtitleSize", 26.5}} << "Vazirmatn"
                                         << 26.5 << "27" << white << black << 0.55 << "55%";
    QTest::newRow("size far beyond int")
        << QJsonObject{{"subtitleSize", 1e10}} << "Vazirmatn" << 56.0 << "10000000000" << white
        << black << 0.55 << "55%";
    QTest::newRow("colour texts as drawn")
        << QJsonObject{{"subtitleColor", "#F00"}, {"subtitleBackground", "12zzzz"}} << "Vazirmatn"
        << 26.0 << "26" << QColor(255, 0, 0) << QColor(0, 0, 0x12) << 0.55 << "55%";
    QTest::newRow("unreadable colours fall back")
        << QJsonObject{{"subtitleColor", "#zzzzzz"}, {"subtitleBackground", "#ff000080"}}
        << "Vazirmatn" << 26.0 << "26" << white << black << 0.55 << "55%";
    QTest::newRow("opacity half percent")
        << QJsonObject{{"subtitleBackgroundOpacity", 0.125}} << "Vazirmatn" << 26.0 << "26" << white
        << black << 0.125 << "13%";
    QTest::newRow("opacity above one")
        << QJsonObject{{"subtitleBackgroundOpacity", 1.5}} << "Vazirmatn" << 26.0 << "26" << white
        << black << 1.0 << "150%";
    QTest::newRow("opacity below zero")
        << QJsonObject{{"subtitleBackgroundOpacity", -0.004}} << "Vazirmatn" << 26.0 << "26"
        << white << black << 0.0 << "0%";
}

void StylePanelTest::showsStoredSettings() {
    QFETCH(QJsonObject, style);
    QFETCH(QString, font);
    QFETCH(double, slider);
    QFETCH(QString, sizeText);
    QFETCH(QColor, text);
    QFETCH(QColor, box);
    QFETCH(double, opacity);
    QFETCH(QString, opacityText);
    PanelAfter h(style);
    StylePanelController* p = h.panel();
    QCOMPARE(p->fontPopup->currentText(), font);
    QCOMPARE(p->sizeSlider->valueF(), slider);
    QCOMPARE(p->sizeLabel->text(), sizeText);
    QCOMPARE(p->textWell->color(), text);
    QCOMPARE(p->boxWell->color(), box);
    QCOMPARE(p->opacitySlider->valueF(), opacity);
    QCOMPARE(p->opacityLabel->text(), opacityText);
    // Showing a value changes none: the fields keep exactly what was sent.
    QVERIFY(h.events("settings").isEmpty());
    for (auto it = style.begin(); it != style.end(); ++it) {
        h.send(QByteArray("{\"command\":\"setVolume\"}")); // reports every setting
        QCOMPARE(h.lastEvent("settings").value(it.key()), it.value());
    }
}

void StylePanelTest::draggingStoresFractionalSizes() {
    Panel h;
    ScaledSlider* slider = h.panel()->sizeSlider;
    const QPoint from = handleCentre(slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, from);
    for (int dx = 1; dx <= 9; ++dx)
        QTest::mouseMove(slider, from + QPoint(dx, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, from + QPoint(9, 0));

    // Every step of the drag is reported, with the size as stored.
    const QList<QJsonObject> reports = h.events("settings");
    QVERIFY(reports.size() >= 2);
    bool fractional = false;
    for (const QJsonObject& report : reports)
        fractional |= std::floor(report.value("subtitleSize").toDouble()) !=
                      report.value("subtitleSize").toDouble();
    QVERIFY2(fractional, "no fractional size was stored while dragging");
    QCOMPARE(reports.last().value("subtitleSize").toDouble(), h.subtitles().style().size);
    QVERIFY(h.subtitles().style().size > 26);
    QCOMPARE(h.panel()->sizeLabel->text(), QString::number(std::lround(h.subtitles().style().size)));

    // A size between two whole points: stored as it is, shown rounded.
    h.clearEvents();
    slider->setSliderPosition(2640);
    QCOMPARE(h.subtitles().style().size, 26.4);
    QCOMPARE(h.lastEvent("settings").value("subtitleSize").toDouble(), 26.4);
    QCOMPARE(h.panel()->sizeLabel->text(), QStringLiteral("26"));
    QCOMPARE(overlay(h)->font().pointSizeF(), 26.4);
    QCOMPARE(overlay(h)->outline(), 26.4 * 0.075);
}

void StylePanelTest::eachEditStoresRedrawsAndReports() {
    struct Edit {
        const char* name;
        std::function<void(Panel&)> act;
        const char* key;
        QJsonValue value;
    };
    auto pickInDialog = [](Panel& h, ColorWell* well, const QColor& color) {
        well->click();
        QColorDialog* dialog = h.panel()->colorDialog();
        QVERIFY(dialog);
        dialog->setCurrentColor(color);
        dialog->accept();
    };
    const QList<Edit> edits = {
        {"font", [](Panel& h) { QTest::keyClick(h.panel()->fontPopup, Qt::Key_Down); },
         "subtitleFont", "Shabnam"},
        {"size", [](Panel& h) { QTest::keyClick(h.panel()->sizeSlider, Qt::Key_Right); },
         "subtitleSize", 27.0},
        {"text colour", [&](Panel& h) { pickInDialog(h, h.panel()->textWell, QColor(255, 0, 0)); },
         "subtitleColor", "#ff0000"},
        {"box colour", [&](Panel& h) { pickInDialog(h, h.panel()->boxWell, QColor(0, 0, 255)); },
         "subtitleBackground", "#0000ff"},
        {"opacity", [](Panel& h) { QTest::keyClick(h.panel()->opacitySlider, Qt::Key_Right); },
         "subtitleBackgroundOpacity", 0.56},
    };
    for (const Edit& edit : edits) {
        Panel h;
        spoilOverlay(h);
        edit.act(h);
        const QList<QJsonObject> reports = h.events("settings");
        QVERIFY2(reports.size() == 1, edit.name);
        QVERIFY2(reports.first().value(edit.key) == edit.value, edit.name);
        checkOverlayFollowsSettings(h);
        if (QTest::currentTestFailed())
            QFAIL(edit.name);
    }
}

// An unknown font shows as the first choice; choosing that very item is a choice.
void StylePanelTest::pickingTheShownFontStoresIt() {
    PanelAfter h({{"subtitleFont", "Comic Sans"}});
    QCOMPARE(h.subtitles().style().font, QStringLiteral("Comic Sans"));
    emit h.panel()->fontPopup->activated(0);
    QCOMPARE(h.subtitles().style().font, QStringLiteral("Vazirmatn"));
    QCOMPARE(h.lastEvent("settings").value("subtitleFont"), QJsonValue("Vazirmatn"));
}

void StylePanelTest::resetRestoresDefaults() {
    PanelAfter h({{"subtitleEnabled", false},
                  {"subtitleFont", "Georgia"},
                  {"subtitleSize", 40},
                  {"subtitleColor", "#ff0000"},
                  {"subtitleBackground", "#00ff00"},
                  {"subtitleBackgroundOpacity", 0.1}});
    StylePanelController* p = h.panel();
    QCOMPARE(p->fontPopup->currentText(), QStringLiteral("Georgia"));
    spoilOverlay(h);
    QTest::mouseClick(p->resetButton, Qt::LeftButton);

    const QList<QJsonObject> reports = h.events("settings");
    QCOMPARE(reports.size(), 1);
    const QJsonObject& r = reports.first();
    QCOMPARE(r.value("subtitleFont"), QJsonValue("Vazirmatn"));
    QCOMPARE(r.value("subtitleSize"), QJsonValue(26));
    QCOMPARE(r.value("subtitleColor"), QJsonValue("#ffffff"));
    QCOMPARE(r.value("subtitleBackground"), QJsonValue("#000000"));
    QCOMPARE(r.value("subtitleBackgroundOpacity"), QJsonValue(0.55));
    QCOMPARE(r.value("subtitleEnabled"), QJsonValue(false));
    QVERIFY(!h.subtitles().enabled());

    QCOMPARE(p->fontPopup->currentText(), QStringLiteral("Vazirmatn"));
    QCOMPARE(p->sizeSlider->valueF(), 26.0);
    QCOMPARE(p->sizeLabel->text(), QStringLiteral("26"));
    QCOMPARE(p->textWell->color(), QColor(Qt::white));
    QCOMPARE(p->boxWell->color(), QColor(Qt::black));
    QCOMPARE(p->opacitySlider->valueF(), 0.55);
    QCOMPARE(p->opacityLabel->text(), QStringLiteral("55%"));
    checkOverlayFollowsSettings(h);
}

void StylePanelTest::colorDialogReportsWhilePicking_data() {
    QTest::addColumn<bool>("textWell");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("picks");
    QTest::addColumn<QString>("stored"); // the field after the dialog
    QTest::addColumn<int>("reports");    // settings events in all
    // The text colour starts as "#FFF" and the box as "#zzzzzz" (shown black):
    // cancelling must give back those very texts, not their colours written anew.
    QTest::newRow("text, accepted") << true << true << 2 << "#00ff00" << 2;
    QTest::newRow("text, cancelled") << true << false << 2 << "#FFF" << 3;
    QTest::newRow("box, cancelled") << false << false << 1 << "#zzzzzz" << 2;
    QTest::newRow("box, cancelled untouched") << false << false << 0 << "#zzzzzz" << 0;
}

void StylePanelTest::colorDialogReportsWhilePicking() {
    QFETCH(bool, textWell);
    QFETCH(bool, accept);
    QFETCH(int, picks);
    QFETCH(QString, stored);
    QFETCH(int, reports);
    PanelAfter h({{"subtitleColor", "#FFF"}, {"subtitleBackground", "#zzzzzz"}});
    StylePanelController* p = h.panel();
    ColorWell* well = textWell ? p->textWell : p->boxWell;
    const QString key = textWell ? "subtitleColor" : "subtitleBackground";
    const QColor before = well->color();
    auto field = [&] {
        return textWell ? h.subtitles().style().color : h.subtitles().style().background;
    };
    auto overlayColor = [&] {
        return textWell ? overlay(h)->textColor() : overlay(h)->boxColor();
    };

    QTest::mouseClick(well, Qt::LeftButton);
    QColorDialog* dialog = p->colorDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->currentColor(), before);
    QVERIFY(!p->isVisible());         // the popup steps aside for the dialog
    QVERIFY(p->editing()); // and the bars wait for the dialog too

    const QList<QColor> colours = {QColor(255, 0, 0), QColor(0, 255, 0)};
    for (int i = 0; i < picks; ++i) {
        dialog->setCurrentColor(colours.at(i));
        // Each colour is stored, drawn and reported while the dialog is still up.
        QCOMPARE(field(), HexFromColor(colours.at(i)));
        QCOMPARE(well->color(), colours.at(i));
        QCOMPARE(overlayColor(), colours.at(i));
        QCOMPARE(h.lastEvent("settings").value(key).toString(), HexFromColor(colours.at(i)));
        QCOMPARE(h.events("settings").size(), i + 1);
    }
    if (accept)
        dialog->accept();
    else
        dialog->reject();
    QVERIFY(!p->colorDialog());
    QCOMPARE(field(), stored);
    QCOMPARE(h.events("settings").size(), reports);
    if (reports > 0)
        QCOMPARE(h.lastEvent("settings").value(key).toString(), stored);
    QCOMPARE(overlayColor(), HexColor(stored, textWell ? Qt::white : Qt::black));
    QCOMPARE(well->color(), HexColor(stored, textWell ? Qt::white : Qt::black));
    QVERIFY(p->isVisible()); // back to the panel
}

void StylePanelTest::barsStayWhileOpen() {
    Panel h;
    h.load();
    h.openPanel();
    h.runFor(10);
    QVERIFY(!h.window().controlsHidden());
    QVERIFY(!h.find<QWidget>("topBar")->isHidden());

    // A click outside closes the popup; the bars go at the next tick, the last
    // activity being long past.
    StylePanelController* p = h.panel();
    QTest::mouseClick(p, Qt::LeftButton, {}, QPoint(-20, -20));
    QVERIFY(!p->isVisible());
    QVERIFY(!p->editing());
    h.runFor(0.25);
    QVERIFY(h.window().controlsHidden());
    QVERIFY(h.find<QWidget>("topBar")->isHidden());

    // Opening it again shows them and holds them once more.
    h.openPanel();
    QVERIFY(!h.window().controlsHidden());
    h.runFor(1);
    p->close();
    h.runFor(0.25);
    QVERIFY(!h.window().controlsHidden()); // three seconds since the opening have not passed
    h.runFor(2);
    QVERIFY(h.window().controlsHidden());
}

void StylePanelTest::placement_data() {
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<QRect>("frame");
    const QSize panel(362, 330);
    const QRect screen(0, 0, 1920, 1080);
    QTest::newRow("room above: above, centred")
        << QRect(1000, 600, 24, 24) << screen << QRect(QPoint(831, 270), panel);
    QTest::newRow("gear at the top of the screen: below")
        << QRect(1820, 17, 24, 24) << screen << QRect(QPoint(1558, 41), panel);
    QTest::newRow("near the left edge: moved in")
        << QRect(10, 600, 24, 24) << screen << QRect(QPoint(0, 270), panel);
    QTest::newRow("near the right edge: moved in")
        << QRect(1900, 600, 24, 24) << screen << QRect(QPoint(1558, 270), panel);
    QTest::newRow("screen with an offset")
        << QRect(2000, 1100, 24, 24) << QRect(1920, 1000, 1280, 800)
        << QRect(QPoint(1920, 1124), panel);
    QTest::newRow("no room above or below: kept on screen")
        << QRect(100, 200, 24, 24) << QRect(0, 0, 800, 500) << QRect(QPoint(0, 170), panel);
    QTest::newRow("no bounds: above as asked")
        << QRect(100, 17, 24, 24) << QRect() << QRect(QPoint(-69, -313), panel);
}

void StylePanelTest::placement() {
    QFETCH(QRect, anchor);
    QFETCH(QRect, bounds);
    QFETCH(QRect, frame);
    QCOMPARE(stylePanelFrame(anchor, QSize(362, 330), bounds), frame);
}

void StylePanelTest::opensBesideTheGear() {
    Panel h;
    h.window().move(0, 0);
    h.openPanel();
    auto* button = h.find<IconButton>("settingsButton");
    const QRect gear(button->mapToGlobal(QPoint(0, 0)), button->size());
    const QRect panel = h.panel()->geometry();
    // The gear sits at the top of a window at the top of the screen: below it.
    QCOMPARE(panel.top(), gear.bottom() + 1);
    QVERIFY(h.panel()->screen()->availableGeometry().contains(panel));
    QVERIFY(std::abs(panel.center().x() - gear.center().x()) <= 1 ||
            panel.right() == h.panel()->screen()->availableGeometry().right());
}

void StylePanelTest::labelsShapePersian() {
    Panel h;
    QStringList texts;
    for (QLabel* label : h.panel()->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label == h.panel()->sizeLabel ||
            label == h.panel()->opacityLabel)
            continue;
        texts << label->text();
        // The bundled Persian font, which carries every letter and the ZWNJ.
        QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Vazirmatn"));
        const QFontMetrics metrics(label->font());
        for (QChar c : label->text())
            QVERIFY2(metrics.inFont(c), qPrintable(label->text()));
        // Drawn against the right edge (the titles line up there), on one line.
        const auto [left, right] = inkColumns(label);
        QVERIFY2(right >= label->width() - 3 && left > 10, qPrintable(label->text()));
        QVERIFY2(label->height() < 2 * metrics.height(), qPrintable(label->text()));
    }
    texts << h.panel()->resetButton->text();
    QCOMPARE(QFontInfo(h.panel()->resetButton->font()).family(), QStringLiteral("Vazirmatn"));
    for (const QString& expected :
         {text::kStyleTitle(), text::kStyleFont(), text::kStyleSize(), text::kStyleTextColor(),
          text::kStyleBoxColor(), text::kStyleBoxOpacity(), text::kStyleReset()})
        QVERIFY2(texts.contains(expected), qPrintable(expected));
    // The non-joiner stays in the text, where it keeps "پس" from joining "زمینه".
    QCOMPARE(texts.filter(QString(QChar(0x200C))).size(), 3);
}

void StylePanelTest::orphanPanelDoesNothing() {
    NoEngine engine;
    LastingState lasting;
    int reports = 0;
    auto* subtitles = new SubtitleController(engine, lasting, {});
    connect(subtitles, &SubtitleController::settingsChanged, this, [&reports] { ++reports; });
    StylePanelController panel(subtitles);
    panel.buildUI();
    panel.textWell->click();
    QPointer<QColorDialog> dialog = panel.colorDialog();
    QVERIFY(dialog);
    delete subtitles;

    // Neither the open dialog nor any control or handler reaches the dead controller.
    dialog->setCurrentColor(Qt::red);
    dialog->reject();
    QTest::keyClick(panel.fontPopup, Qt::Key_Down);
    QTest::keyClick(panel.sizeSlider, Qt::Key_Right);
    QTest::keyClick(panel.opacitySlider, Qt::Key_Right);
    panel.fontChanged(3);
    panel.sizeChanged(40);
    panel.colorChanged(panel.boxWell);
    panel.opacityChanged(0.2);
    panel.resetStyle();
    panel.syncFromPlayer();
    panel.syncLabels();
    panel.boxWell->click();
    QVERIFY(!panel.colorDialog());
    QCOMPARE(reports, 0);
    QCOMPARE(panel.sizeLabel->text(), QStringLiteral("26")); // as last synced
}

void StylePanelTest::resolveFont_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("weight");
    QTest::addColumn<double>("pointSize"); // -1: none (nothing is drawn)
    const QString system =
        QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    QTest::newRow("family") << "Vazirmatn" << 26.0 << "Vazirmatn" << int(QFont::Normal) << 26.0;
    QTest::newRow("family in another case")
        << "vazirmatn" << 26.0 << "Vazirmatn" << int(QFont::Normal) << 26.0;
    QTest::newRow("PostScript name")
        << "Vazirmatn-Bold" << 30.5 << "Vazirmatn" << int(QFont::Bold) << 30.5;
    QTest::newRow("full name") << "Vazirmatn Thin" << 26.0 << "Vazirmatn" << int(QFont::Thin)
                               << 26.0;
    QTest::newRow("system family")
        << "DejaVu Sans" << 20.0 << "DejaVu Sans" << int(QFont::Normal) << 20.0;
    QTest::newRow("unknown name: first Persian font")
        << "No Such Font" << 26.0 << "Vazirmatn" << int(QFont::Normal) << 26.0;
    QTest::newRow("missing Persian font: the one there is")
        << "Shabnam" << 26.0 << "Vazirmatn" << int(QFont::Normal) << 26.0;
    QTest::newRow("empty name: system font") << "" << 26.0 << system << -1 << 26.0;
    QTest::newRow("size zero") << "Vazirmatn" << 0.0 << "Vazirmatn" << int(QFont::Normal) << -1.0;
    QTest::newRow("negative size")
        << "Vazirmatn" << -12.0 << "Vazirmatn" << int(QFont::Normal) << -1.0;
}

void StylePanelTest::resolveFont() {
    QFETCH(QString, name);
    QFETCH(double, size);
    QFETCH(QString, family);
    QFETCH(int, weight);
    QFETCH(double, pointSize);
    const QFont font = ResolveFont(name, size);
    QCOMPARE(QFontInfo(font).family(), family);
    if (weight >= 0)
        QCOMPARE(QFontInfo(font).weight(), weight);
    QCOMPARE(font.pointSizeF(), pointSize);

    // The overlay gets the same font, and draws nothing with a size that is not positive.
    Harness h;
    h.send(QJsonObject{
        {"command", "setSubtitleStyle"}, {"subtitleFont", name}, {"subtitleSize", size}});
    QCOMPARE(QFontInfo(overlay(h)->font()).family(), family);
    QCOMPARE(overlay(h)->font().pointSizeF(), pointSize);
}

void StylePanelTest::faceNamesFromMalformedTables() {
    const QByteArray good = nameTable({{3, 1, 6, utf16be("Face-Bold")},
                                       {3, 1, 1, utf16be("Face")},
                                       {1, 0, 4, QByteArray("Face Bold")},
                                       {3, 1, 4, utf16be("Face Bold")},
                                       {3, 7, 4, QByteArray("????")}});
    QCOMPARE(sfntFaceNames(good), (QStringList{"Face-Bold", "Face Bold"}));

    // Cut anywhere, the table yields what lies wholly inside it and nothing else.
    for (qsizetype size = 0; size < good.size(); ++size) {
        const QStringList names = sfntFaceNames(good.left(size));
        QVERIFY(names.size() <= 2);
        for (const QString& name : names)
            QVERIFY2(name == "Face-Bold" || name == "Face Bold", qPrintable(name));
    }
    // A record pointing past the end, and a count larger than the records.
    QByteArray bad = good;
    bad[6 + 10] = char(0x7f); // first record's offset
    QCOMPARE(sfntFaceNames(bad), (QStringList{"Face Bold"}));
    bad = good;
    bad[2] = char(0xff);
    QCOMPARE(sfntFaceNames(bad.left(6 + 12 * 5)), QStringList());
}

VELMO_TEST_MAIN(StylePanelTest)
#include "test_style_panel.moc"
