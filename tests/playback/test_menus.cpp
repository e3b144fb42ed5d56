// The quality, audio and speed menus behind the chips, driven through the
// window's chips with a fake engine that lists tracks.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/texts.h"
#include "ui/menu_chip.h"
#include "ui/text_label.h"
#include "ui/toast.h"

#include <QJsonArray>
#include <QLabel>
#include <QMenu>

using namespace velmo;
using velmo::test::chooseMenuItem;
using velmo::test::Harness;
using velmo::test::menuItems;

namespace {

TrackDescription track(int id, const QString& name = {}) {
    return {id, name, !name.isNull()};
}

MenuChip* chip(Harness& h, const char* name) {
    return h.find<MenuChip>(name);
}

QString toastText(Harness& h) {
    return h.find<QLabel>("toastLabel")->text();
}

// The engine's track list as the menus see it a moment after it changed.
void tracksChanged(Harness& h) {
    h.event(EngineEvent::ESAdded);
    h.advance(500);
}

QJsonArray threeSources() {
    return {QJsonObject{{"url", "http://h/720a"}, {"quality", "720p"}},
            QJsonObject{{"url", "http://h/1080"}, {"quality", "1080p"}},
            QJsonObject{{"url", "http://h/720b"}, {"quality", "720p"}}};
}

} // namespace

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void qualityMarksEveryEntryOfTheLabel();
    void qualityChoiceRestartsAtThePosition();
    void qualityOfAnUnlistedUrl();
    void audioMenu();
    void audioNameOutlivesTheSource();
    void audioWithoutPlayerOrTracks();
    void speedMenu_data();
    void speedMenu();
};

void MenusTest::qualityMarksEveryEntryOfTheLabel() {
    Harness h;
    h.load({{"url", "http://h/720b"}, {"sources", threeSources()}});
    QCOMPARE(menuItems(chip(h, "qualityChip")), (QStringList{"720p *", "1080p", "720p *"}));
    QCOMPARE(chip(h, "qualityChip")->title(), text::kQualityTitle().arg("720p"));
    // Either of two equal labels plays its own URL.
    chooseMenuItem(chip(h, "qualityChip"), "720p", 0);
    QCOMPARE(h.player()->url, QStringLiteral("http://h/720a"));
    chooseMenuItem(chip(h, "qualityChip"), "720p", 1);
    QCOMPARE(h.player()->url, QStringLiteral("http://h/720b"));
}

void MenusTest::qualityChoiceRestartsAtThePosition() {
    Harness h;
    h.load({{"url", "http://h/720a"}, {"sources", threeSources()}});
    h.startPlaying();
    h.playAt(42.5);
    h.clearEvents();
    const auto before = h.player();
    chooseMenuItem(chip(h, "qualityChip"), "1080p");
    QVERIFY(before->released);
    QCOMPARE(h.player()->url, QStringLiteral("http://h/1080"));
    QVERIFY(h.player()->options.contains(":start-time=42"));
    QCOMPARE(menuItems(chip(h, "qualityChip")), (QStringList{"720p", "1080p *", "720p"}));
    QCOMPARE(chip(h, "qualityChip")->title(), text::kQualityTitle().arg("1080p"));
    QCOMPARE(toastText(h), text::kQualityTitle().arg("1080p"));
    QVERIFY(h.events("settings").isEmpty()); // a quality is not a setting

    // The one already playing restarts the same way and says so again.
    h.window().toast().fade();
    h.find<QLabel>("toastLabel")->setText(QString());
    h.startPlaying();
    h.playAt(50);
    chooseMenuItem(chip(h, "qualityChip"), "1080p");
    QCOMPARE(h.engine->players.size(), 3);
    QVERIFY(h.player()->options.contains(":start-time=50"));
    QCOMPARE(toastText(h), text::kQualityTitle().arg("1080p"));
}

void MenusTest::qualityOfAnUnlistedUrl() {
    Harness h;
    h.load({{"url", "http://h/other"}, {"sources", threeSources()}});
    QCOMPARE(chip(h, "qualityChip")->title(), text::kQuality());
    QCOMPARE(menuItems(chip(h, "qualityChip")), (QStringList{"720p", "1080p", "720p"}));
    chooseMenuItem(chip(h, "qualityChip"), "1080p");
    QCOMPARE(chip(h, "qualityChip")->title(), text::kQualityTitle().arg("1080p"));

    // A load without sources empties the menu: the chip does not open.
    h.load({{"url", "http://h/plain"}});
    QVERIFY(menuItems(chip(h, "qualityChip")).isEmpty());
    QCOMPARE(chip(h, "qualityChip")->title(), text::kQuality());
}

void MenusTest::audioMenu() {
    Harness h;
    QList<TrackDescription> tracks{track(-1, "Disable"), track(3, "English"), track(5)};
    for (int id = 10; id < 50; ++id)
        tracks << track(id, QStringLiteral("t%1").arg(id));
    h.engine->audioTracks = tracks;
    h.load();
    h.player()->audioTrack = 3;
    tracksChanged(h);
    const QStringList listed = menuItems(chip(h, "audioChip"));
    QCOMPARE(listed.size(), 31); // the engine's list is cut, its "off" entry skipped
    QCOMPARE(listed.mid(0, 3), (QStringList{"English *", text::kAudio(), "t10"}));
    QCOMPARE(listed.last(), QStringLiteral("t38"));
    // The check follows the engine; the title waits for the user's choice.
    QCOMPARE(chip(h, "audioChip")->title(), text::kAudio());

    h.clearEvents();
    chooseMenuItem(chip(h, "audioChip"), text::kAudio()); // the unnamed track
    QCOMPARE(h.player()->calls.last(), QStringLiteral("audio 5"));
    QCOMPARE(chip(h, "audioChip")->title(), text::kAudioTitle().arg(text::kAudio()));
    QCOMPARE(toastText(h), text::kAudioTitle().arg(text::kAudio()));
    QCOMPARE(menuItems(chip(h, "audioChip")).mid(0, 2),
             (QStringList{"English", text::kAudio() + " *"}));
    QVERIFY(h.lines.isEmpty()); // an audio track is not a setting
}

void MenusTest::audioNameOutlivesTheSource() {
    Harness h;
    h.engine->audioTracks = {track(1, "فارسی"), track(2, "English")};
    h.load({{"url", "http://h/720a"}, {"sources", threeSources()}});
    tracksChanged(h);
    chooseMenuItem(chip(h, "audioChip"), "English");
    // A new source plays its own default track; the chip keeps the name chosen
    // while the check mark follows the engine.
    chooseMenuItem(chip(h, "qualityChip"), "1080p");
    h.player()->audioTrack = 1;
    tracksChanged(h);
    QCOMPARE(chip(h, "audioChip")->title(), text::kAudioTitle().arg("English"));
    QCOMPARE(menuItems(chip(h, "audioChip")), (QStringList{"فارسی *", "English"}));
    QVERIFY(!h.player()->calls.contains("audio 2"));
    h.load({{"url", "http://h/next"}});
    tracksChanged(h);
    QCOMPARE(chip(h, "audioChip")->title(), text::kAudioTitle().arg("English"));
}

void MenusTest::audioWithoutPlayerOrTracks() {
    Harness h;
    QVERIFY(menuItems(chip(h, "audioChip")).isEmpty()); // no player yet
    h.playback().chooseAudioTrack(track(1, "x"));
    QCOMPARE(chip(h, "audioChip")->title(), text::kAudio());
    QVERIFY(h.find<QLabel>("toastLabel")->isHidden());
    h.load();
    tracksChanged(h); // a media without audio
    QVERIFY(menuItems(chip(h, "audioChip")).isEmpty());
}

void MenusTest::speedMenu_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("checked"); // empty: none
    QTest::addColumn<QString>("title");
    QTest::newRow("1") << 1.0 << text::kRateNormal() << text::kRateNormal();
    QTest::newRow("1.25") << 1.25 << "1.2×"
                          << "1.2×";
    QTest::newRow("1.75") << 1.75 << "1.8×"
                          << "1.8×";
    QTest::newRow("1.005") << 1.005 << text::kRateNormal() << text::kRateNormal();
    QTest::newRow("0.25") << 0.25 << QString() << "0.25×";
    QTest::newRow("3") << 3.0 << QString() << "3×";
}

void MenusTest::speedMenu() {
    QFETCH(double, rate);
    QFETCH(QString, checked);
    QFETCH(QString, title);
    Harness h;
    // The speed menu is there before any media.
    QCOMPARE(menuItems(chip(h, "rateChip")), (QStringList{"0.5×", "0.75×", text::kRateNormal() + " *",
                                                      "1.2×", "1.5×", "1.8×", "2×"}));
    h.send(QJsonObject{{"command", "setRate"}, {"rate", rate}});
    QStringList marked;
    for (const QString& item : menuItems(chip(h, "rateChip"))) {
        if (item.endsWith(" *"))
            marked << item.chopped(2);
    }
    QCOMPARE(marked, checked.isEmpty() ? QStringList() : QStringList{checked});
    QCOMPARE(chip(h, "rateChip")->title(), text::kRateTitle().arg(title));

    h.clearEvents();
    chooseMenuItem(chip(h, "rateChip"), "1.5×");
    QCOMPARE(h.playback().rate(), 1.5f);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(toastText(h), text::kRateToast().arg("1.5×"));
}

VELMO_TEST_MAIN(MenusTest)
#include "test_menus.moc"
