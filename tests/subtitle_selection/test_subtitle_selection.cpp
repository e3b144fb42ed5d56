// Fetching, choosing and switching subtitles through the controller, with the
// network replaced by a fake that answers at once.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/temp_dir.h"
#include "common/texts.h"
#include "subtitles/overlay.h"
#include "ui/menu_chip.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QMenu>
#include <QUrl>

using namespace velmo;
using velmo::test::chooseMenuItem;
using velmo::test::Harness;
using velmo::test::menuItems;

namespace {

const QByteArray kSrt = "1\r\n00:00:01,000 --> 00:00:04,000\r\nسلام\r\n\r\n"
                        "2\r\n00:00:05,000 --> 00:00:06,000\r\n<i>دوم</i>\r\n";

struct Fetching : Harness {
    QMap<QString, QByteArray> bodies; // by URL; missing: the fetch fails
    QStringList fetched;
    Fetching() {
        app.fetchSubtitle = [this](const QUrl& url, std::function<void(QByteArray)> done) {
            fetched << url.toString();
            done(bodies.value(url.toString()));
        };
        bodies["http://h/fa.srt"] = kSrt;
        bodies["http://h/page.srt"] = "<html>not found</html>";
        load({{"subtitles",
               QJsonArray{QJsonObject{{"url", "http://h/fa.srt"}, {"language", "فارسی"}},
                          QJsonObject{{"url", "http://h/none.srt"}},
                          QJsonObject{{"url", "http://h/page.srt"}}}}});
        clearEvents();
    }
};

} // namespace

class SubtitleSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void externalTrackActivatesAndFollowsPosition();
    void loadedTrackIsNotFetchedAgain();
    void failedFetchShowsAToast();
    void fileWithoutCuesGoesToTheEngine();
    void offAndKey();
    void menuLists();
    void embeddedTrackFromTheMenu();
    void keyWithOnlyEmbeddedTracks();
    void indexRules_data();
    void indexRules();
    void activeTrackWhileNotWanted();
    void switchesBeforeAnyPlayer();
};

void SubtitleSelectionTest::externalTrackActivatesAndFollowsPosition() {
    Fetching h;
    h.app.position = 2;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
    QCOMPARE(h.app.subtitles[0]->cues.size(), 2);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.app.toastLabel->text(), text::kSubtitleTitle().arg("فارسی"));
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleTitle().arg("فارسی"));
    QVERIFY(h.app.subtitle->cue());
    QCOMPARE(h.app.subtitle->cue()->text, QStringLiteral("سلام"));
    QVERIFY(h.player()->calls.contains("spu -1")); // the engine's own subtitle goes
    h.app.seekTo(4.5);                             // between cues
    QVERIFY(!h.app.subtitle->cue());
    h.app.seekTo(5);
    QCOMPARE(h.app.subtitle->cue()->text, QStringLiteral("دوم"));
}

void SubtitleSelectionTest::loadedTrackIsNotFetchedAgain() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":-1}"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.fetched, QStringList{"http://h/fa.srt"});
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
}

void SubtitleSelectionTest::failedFetchShowsAToast() {
    Fetching h;
    h.app.subtitleEnabled = false;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":1}"));
    QCOMPARE(h.app.toastLabel->text(), text::kSubtitleFetchFailed());
    QVERIFY(h.app.subtitleEnabled); // wanted, nothing chosen
    QVERIFY(!h.app.activeTrack);
    QVERIFY(h.lines.isEmpty()); // no event for a minor failure
}

void SubtitleSelectionTest::fileWithoutCuesGoesToTheEngine() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":2}"));
    const QString path =
        QDir(privateTempDirectory()).filePath(subtitleFileName("http://h/page.srt"));
    QVERIFY(QFileInfo(path).fileName().startsWith("velmo-sub-"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<html>not found</html>")); // the raw bytes
    QVERIFY(h.player()->calls.contains("subfile " + path));
    QCOMPARE(h.app.toastLabel->text(), text::kSubtitleToEngine());
    QVERIFY(!h.app.activeTrack);
    QVERIFY(h.events("settings").isEmpty());
    // The same URL gives the same name; another URL another.
    QCOMPARE(subtitleFileName("http://h/page.srt"), subtitleFileName("http://h/page.srt"));
    QVERIFY(subtitleFileName("http://h/page.srt") != subtitleFileName("http://h/fa.srt"));
}

void SubtitleSelectionTest::offAndKey() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    h.app.toggleSubtitles(); // shown: off
    QVERIFY(!h.app.subtitleEnabled);
    QVERIFY(!h.app.activeTrack);
    QVERIFY(!h.app.subtitle->cue());
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleOffChip());
    QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), false);
    h.app.toggleSubtitles(); // off: the first external track again
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
}

void SubtitleSelectionTest::menuLists() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(menuItems(h.app.subtitlePopup), (QStringList{text::kSubtitleOff(), "--", "فارسی *",
                                                          text::kSubtitle(), text::kSubtitle()}));
}

void SubtitleSelectionTest::embeddedTrackFromTheMenu() {
    Harness h;
    h.engine->subtitleTracks = {{-1, "Disable", true}, {2, "English", true}, {4, {}, false}};
    h.app.fetchSubtitle = [](const QUrl&, std::function<void(QByteArray)> done) {
        done(kSrt);
    };
    h.load({{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}, {"language", "fa"}},
                                     QJsonObject{{"url", "http://h/b.srt"}, {"language", "en"}}}}});
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":1}"));
    const QString english = text::kEmbeddedItem().arg("English");
    const QString unnamed = text::kEmbeddedItem().arg(text::kEmbeddedUnnamed());
    QCOMPARE(menuItems(h.app.subtitlePopup),
             (QStringList{text::kSubtitleOff(), "--", "fa", "en *", "--", english, unnamed}));

    h.clearEvents();
    h.app.position = 2; // a cue of the external track would show here
    chooseMenuItem(h.app.subtitlePopup, unnamed);
    QVERIFY(!h.app.activeTrack);
    QVERIFY(!h.app.subtitle->cue());
    QVERIFY(h.app.subtitleEnabled);
    QCOMPARE(h.player()->subtitleTrack, 4);
    QCOMPARE(h.app.toastLabel->text(), text::kEmbeddedToast().arg(text::kEmbeddedUnnamed()));
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(menuItems(h.app.subtitlePopup),
             (QStringList{text::kSubtitleOff(), "--", "fa", "en", "--", english, unnamed + " *"}));
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitle());
    h.app.updateSubtitleCue(); // a time report draws nothing of the old track
    QVERIFY(!h.app.subtitle->cue());

    // Back to an external track: the engine's own subtitle goes, only it is marked.
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.player()->subtitleTrack, -1);
    QCOMPARE(menuItems(h.app.subtitlePopup),
             (QStringList{text::kSubtitleOff(), "--", "fa *", "en", "--", english, unnamed}));
    QCOMPARE(h.app.subtitle->cue()->text, QStringLiteral("سلام"));

    // "Off" from the menu.
    h.clearEvents();
    chooseMenuItem(h.app.subtitlePopup, text::kSubtitleOff());
    QCOMPARE(menuItems(h.app.subtitlePopup).first(), text::kSubtitleOff() + " *");
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleOffChip());
    QCOMPARE(h.events("settings").size(), 1);
    QVERIFY(!h.app.subtitle->cue());
}

void SubtitleSelectionTest::keyWithOnlyEmbeddedTracks() {
    Harness h;
    h.load();
    h.player()->subtitleTracks = {
        {-1, "Disable", true}, {7, "Deutsch", true}, {8, "Français", true}};
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":-1}"));
    h.app.hideToast();
    h.clearEvents();
    // Off, no external track: the key shows the first embedded one, quietly.
    h.app.toggleSubtitles();
    QCOMPARE(h.player()->subtitleTrack, 7);
    QVERIFY(h.app.subtitleEnabled);
    QVERIFY(h.lines.isEmpty());
    QVERIFY(h.app.toastLabel->isHidden());
    QCOMPARE(menuItems(h.app.subtitlePopup),
             (QStringList{text::kSubtitleOff(), "--", text::kEmbeddedItem().arg("Deutsch") + " *",
                          text::kEmbeddedItem().arg("Français")}));
    // Again: off, and that is reported.
    h.app.toggleSubtitles();
    QCOMPARE(h.player()->subtitleTrack, -1);
    QVERIFY(!h.app.subtitleEnabled);
    QCOMPARE(h.events("settings").size(), 1);

    // Nothing to show at all: the key does nothing.
    h.player()->subtitleTracks.clear();
    h.clearEvents();
    h.app.toggleSubtitles();
    QVERIFY(!h.app.subtitleEnabled);
    QVERIFY(h.lines.isEmpty());
}

void SubtitleSelectionTest::indexRules_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("active"); // index of the active track, -1 none
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("settingsEvents");
    QTest::newRow("no index: off")
        << QByteArray(R"({"command":"setSubtitle"})") << -1 << false << 1;
    QTest::newRow("-1: off") << QByteArray(R"({"command":"setSubtitle","index":-1})") << -1 << false
                             << 1;
    QTest::newRow("text index: off")
        << QByteArray(R"({"command":"setSubtitle","index":"0"})") << -1 << false << 1;
    QTest::newRow("0.9 truncates to 0")
        << QByteArray(R"({"command":"setSubtitle","index":0.9})") << 0 << true << 1;
    QTest::newRow("-0.9 truncates to 0")
        << QByteArray(R"({"command":"setSubtitle","index":-0.9})") << 0 << true << 1;
    // Past the list: nothing at all, the track shown before stays.
    QTest::newRow("count: nothing")
        << QByteArray(R"({"command":"setSubtitle","index":3})") << 2 << true << 0;
}

void SubtitleSelectionTest::indexRules() {
    QFETCH(QByteArray, command);
    QFETCH(int, active);
    QFETCH(bool, enabled);
    QFETCH(int, settingsEvents);
    Fetching h;
    h.bodies["http://h/page.srt"] = kSrt;
    h.send(QByteArray(R"({"command":"setSubtitle","index":2})"));
    h.clearEvents();
    h.send(command);
    QCOMPARE(h.app.activeTrack, active < 0 ? nullptr : h.app.subtitles[active]);
    QCOMPARE(h.app.subtitleEnabled, enabled);
    QCOMPARE(h.events("settings").size(), settingsEvents);
}

void SubtitleSelectionTest::activeTrackWhileNotWanted() {
    Fetching h;
    h.app.position = 2;
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    QVERIFY(h.app.subtitle->cue());
    h.clearEvents();
    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":false})"));
    h.app.seekTo(2.5);
    QVERIFY(!h.app.subtitle->cue());
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleTitle().arg("فارسی"));
    QVERIFY(h.events("settings").isEmpty());
    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":true})"));
    h.app.seekTo(3);
    QCOMPARE(h.app.subtitle->cue()->text, QStringLiteral("سلام"));
}

void SubtitleSelectionTest::switchesBeforeAnyPlayer() {
    Harness h;
    h.send(QByteArray(R"({"command":"setSubtitle","index":-1})"));
    QVERIFY(!h.app.subtitleEnabled);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.app.subtitlePopup->title(), text::kSubtitleOffChip());
    h.app.subtitleEmbeddedSelected({3, "x", true}); // no player: nothing
    QVERIFY(!h.app.subtitleEnabled);
    QCOMPARE(h.events("settings").size(), 1);
    h.app.toggleSubtitles(); // nothing to show
    QVERIFY(!h.app.subtitleEnabled);
}

VELMO_TEST_MAIN(SubtitleSelectionTest)
#include "test_subtitle_selection.moc"
