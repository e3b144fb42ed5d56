// Fetching, choosing and switching subtitles through the player's wiring, with
// the network replaced by a fake.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/temp_dir.h"
#include "common/texts.h"
#include "subtitles/handover.h"
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

// Subtitle downloads answered at once, from bodies by URL.
struct Bodies {
    QMap<QString, QByteArray> bodies; // by URL; missing: the fetch fails
    QStringList fetched;

    SubtitleFetch fetch() {
        return [this](const QUrl& url, QObject*, std::function<void(QByteArray)> done) {
            fetched << url.toString();
            done(bodies.value(url.toString()));
        };
    }
};

struct Fetching : Bodies, Harness {
    Fetching()
        : Harness([this](PlayerEnvironment& env) { env.fetchSubtitle = fetch(); }) {
        bodies["http://h/fa.srt"] = kSrt;
        bodies["http://h/page.srt"] = "<html>not found</html>";
        load({{"subtitles",
               QJsonArray{QJsonObject{{"url", "http://h/fa.srt"}, {"language", "فارسی"}},
                          QJsonObject{{"url", "http://h/none.srt"}},
                          QJsonObject{{"url", "http://h/page.srt"}}}}});
        clearEvents();
    }
};

SubtitleOverlayView* overlay(Harness& h) {
    return h.find<SubtitleOverlayView>("subtitleOverlay");
}

MenuChip* chip(Harness& h) {
    return h.find<MenuChip>("subtitleChip");
}

QString toast(Harness& h) {
    return h.find<QLabel>("toastLabel")->text();
}

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
    void firstSubtitleLoadsOnce();
    void newLoadDoesNotShowTheOldTrack();
    void newLoadShowsItsCounterpart_data();
    void newLoadShowsItsCounterpart();
    void choiceAfterARestartStands_data();
    void choiceAfterARestartStands();
    void theLatestChoiceWins();
    void aDownloadDiesWithItsLoad();
    void fileForTheEngineEndsTheOverlay();
};

void SubtitleSelectionTest::externalTrackActivatesAndFollowsPosition() {
    Fetching h;
    h.startPlaying();
    h.playAt(2);
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[0]);
    QCOMPARE(h.subtitles().tracks()[0]->cues.size(), 2);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(toast(h), text::kSubtitleTitle().arg("فارسی"));
    QCOMPARE(chip(h)->title(), text::kSubtitleTitle().arg("فارسی"));
    QVERIFY(overlay(h)->cue());
    QCOMPARE(overlay(h)->cue()->text, QStringLiteral("سلام"));
    QVERIFY(h.player()->calls.contains("spu -1")); // the engine's own subtitle goes
    h.playback().seekTo(4.5);                             // between cues
    QVERIFY(!overlay(h)->cue());
    h.playback().seekTo(5);
    QCOMPARE(overlay(h)->cue()->text, QStringLiteral("دوم"));
}

void SubtitleSelectionTest::loadedTrackIsNotFetchedAgain() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":-1}"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.fetched, QStringList{"http://h/fa.srt"});
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[0]);
}

void SubtitleSelectionTest::failedFetchShowsAToast() {
    Fetching h;
    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":false})"));
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":1}"));
    QCOMPARE(toast(h), text::kSubtitleFetchFailed());
    QVERIFY(h.subtitles().enabled()); // wanted, nothing chosen
    QVERIFY(!h.subtitles().activeTrack());
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
    QCOMPARE(toast(h), text::kSubtitleToEngine());
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(h.events("settings").isEmpty());
    // The same URL gives the same name; another URL another.
    QCOMPARE(subtitleFileName("http://h/page.srt"), subtitleFileName("http://h/page.srt"));
    QVERIFY(subtitleFileName("http://h/page.srt") != subtitleFileName("http://h/fa.srt"));
}

void SubtitleSelectionTest::offAndKey() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    h.subtitles().toggle(); // shown: off
    QVERIFY(!h.subtitles().enabled());
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(!overlay(h)->cue());
    QCOMPARE(chip(h)->title(), text::kSubtitleOffChip());
    QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), false);
    h.subtitles().toggle(); // off: the first external track again
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[0]);
}

void SubtitleSelectionTest::menuLists() {
    Fetching h;
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(menuItems(chip(h)), (QStringList{text::kSubtitleOff(), "--", "فارسی *",
                                                          text::kSubtitle(), text::kSubtitle()}));
}

void SubtitleSelectionTest::embeddedTrackFromTheMenu() {
    Harness h([](PlayerEnvironment& env) {
        env.fetchSubtitle = [](const QUrl&, QObject*, std::function<void(QByteArray)> done) {
            done(kSrt);
        };
    });
    h.engine->subtitleTracks = {{-1, "Disable", true}, {2, "English", true}, {4, {}, false}};
    h.load({{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}, {"language", "fa"}},
                                     QJsonObject{{"url", "http://h/b.srt"}, {"language", "en"}}}}});
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":1}"));
    const QString english = text::kEmbeddedItem().arg("English");
    const QString unnamed = text::kEmbeddedItem().arg(text::kEmbeddedUnnamed());
    QCOMPARE(menuItems(chip(h)),
             (QStringList{text::kSubtitleOff(), "--", "fa", "en *", "--", english, unnamed}));

    h.clearEvents();
    h.startPlaying();
    h.playAt(2); // a cue of the external track would show here
    chooseMenuItem(chip(h), unnamed);
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(!overlay(h)->cue());
    QVERIFY(h.subtitles().enabled());
    QCOMPARE(h.player()->subtitleTrack, 4);
    QCOMPARE(toast(h), text::kEmbeddedToast().arg(text::kEmbeddedUnnamed()));
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(menuItems(chip(h)),
             (QStringList{text::kSubtitleOff(), "--", "fa", "en", "--", english, unnamed + " *"}));
    QCOMPARE(chip(h)->title(), text::kSubtitle());
    h.playAt(2.5); // a time report draws nothing of the old track
    QVERIFY(!overlay(h)->cue());

    // Back to an external track: the engine's own subtitle goes, only it is marked.
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":0}"));
    QCOMPARE(h.player()->subtitleTrack, -1);
    QCOMPARE(menuItems(chip(h)),
             (QStringList{text::kSubtitleOff(), "--", "fa *", "en", "--", english, unnamed}));
    QCOMPARE(overlay(h)->cue()->text, QStringLiteral("سلام"));

    // "Off" from the menu.
    h.clearEvents();
    chooseMenuItem(chip(h), text::kSubtitleOff());
    QCOMPARE(menuItems(chip(h)).first(), text::kSubtitleOff() + " *");
    QCOMPARE(chip(h)->title(), text::kSubtitleOffChip());
    QCOMPARE(h.events("settings").size(), 1);
    QVERIFY(!overlay(h)->cue());
}

void SubtitleSelectionTest::keyWithOnlyEmbeddedTracks() {
    Harness h;
    h.load();
    h.player()->subtitleTracks = {
        {-1, "Disable", true}, {7, "Deutsch", true}, {8, "Français", true}};
    h.send(QByteArray("{\"command\":\"setSubtitle\",\"index\":-1}"));
    h.clearEvents();
    // Off, no external track: the key shows the first embedded one, quietly.
    h.subtitles().toggle();
    QCOMPARE(h.player()->subtitleTrack, 7);
    QVERIFY(h.subtitles().enabled());
    QVERIFY(h.lines.isEmpty());
    QVERIFY(h.find<QLabel>("toastLabel")->isHidden());
    QCOMPARE(menuItems(chip(h)),
             (QStringList{text::kSubtitleOff(), "--", text::kEmbeddedItem().arg("Deutsch") + " *",
                          text::kEmbeddedItem().arg("Français")}));
    // Again: off, and that is reported.
    h.subtitles().toggle();
    QCOMPARE(h.player()->subtitleTrack, -1);
    QVERIFY(!h.subtitles().enabled());
    QCOMPARE(h.events("settings").size(), 1);

    // Nothing to show at all: the key does nothing.
    h.player()->subtitleTracks.clear();
    h.clearEvents();
    h.subtitles().toggle();
    QVERIFY(!h.subtitles().enabled());
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
    QCOMPARE(h.subtitles().activeTrack(), active < 0 ? nullptr : h.subtitles().tracks()[active]);
    QCOMPARE(h.subtitles().enabled(), enabled);
    QCOMPARE(h.events("settings").size(), settingsEvents);
}

void SubtitleSelectionTest::activeTrackWhileNotWanted() {
    Fetching h;
    h.startPlaying();
    h.playAt(2);
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    QVERIFY(overlay(h)->cue());
    h.clearEvents();
    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":false})"));
    h.playback().seekTo(2.5);
    QVERIFY(!overlay(h)->cue());
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[0]);
    QCOMPARE(chip(h)->title(), text::kSubtitleTitle().arg("فارسی"));
    QVERIFY(h.events("settings").isEmpty());
    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":true})"));
    h.playback().seekTo(3);
    QCOMPARE(overlay(h)->cue()->text, QStringLiteral("سلام"));
}

void SubtitleSelectionTest::switchesBeforeAnyPlayer() {
    Harness h;
    h.send(QByteArray(R"({"command":"setSubtitle","index":-1})"));
    QVERIFY(!h.subtitles().enabled());
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(chip(h)->title(), text::kSubtitleOffChip());
    h.subtitles().chooseEmbedded({3, "x"}); // no player: nothing
    QVERIFY(!h.subtitles().enabled());
    QCOMPARE(h.events("settings").size(), 1);
    h.subtitles().toggle(); // nothing to show
    QVERIFY(!h.subtitles().enabled());
}

void SubtitleSelectionTest::firstSubtitleLoadsOnce() {
    Harness h;
    const QJsonObject tracks{{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}},
                                                      QJsonObject{{"url", "http://h/b.srt"}}}}};
    // Not wanted at the first Playing: the attempt is not used up.
    QJsonObject first = tracks;
    first.insert("settings", QJsonObject{{"subtitleEnabled", false}});
    h.load(first);
    h.event(EngineEvent::Playing);
    h.advance(600);
    QVERIFY(h.fetches.isEmpty());
    QVERIFY(h.find<QLabel>("toastLabel")->isHidden());

    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":true})"));
    h.subtitles().tracks()[0]->cues.append({0, 10, "x"}); // loaded already: shows at once
    h.clearEvents();
    h.event(EngineEvent::Playing);
    h.advance(599);
    QVERIFY(!h.subtitles().activeTrack());
    h.advance(1);
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[0]);
    QCOMPARE(h.events("settings").size(), 1); // the automatic activation reports

    // Never again in this process, whatever is loaded next.
    h.send(QByteArray(R"({"command":"setSubtitle","index":-1})"));
    h.send(QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":true})"));
    h.load(tracks);
    h.subtitles().tracks()[0]->cues.append({0, 10, "x"});
    h.event(EngineEvent::Playing);
    h.advance(2000);
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(h.fetches.isEmpty());
}

// Loads the media with `tracks` and shows the first one (its cues loaded).
void showFirstTrack(Harness& h, const QJsonArray& tracks) {
    h.load({{"subtitles", tracks}});
    h.startPlaying();
    h.playAt(2);
    h.subtitles().tracks()[0]->cues = {{1, 4, QStringLiteral("سلام")}};
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    QVERIFY(overlay(h)->cue());
}

const QJsonArray kOneTrack{QJsonObject{{"url", "http://h/fa.srt"}, {"language", "فارسی"}}};

void SubtitleSelectionTest::newLoadDoesNotShowTheOldTrack() {
    Harness h;
    showFirstTrack(h, kOneTrack);
    h.clearEvents();
    // The next media lists no subtitles: nothing of the old one is drawn over it.
    h.load({{"url", "http://h/next"}});
    QVERIFY(!overlay(h)->cue());
    h.startPlaying();
    h.playAt(2);
    h.advance(2000);
    QVERIFY(!overlay(h)->cue());
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(h.events("settings").isEmpty());
    QVERIFY(h.fetches.isEmpty());
    QCOMPARE(chip(h)->title(), text::kSubtitle());
}

// A track of the next load that is the one shown (same URL, else same name)
// shows again a moment after the new media starts; nothing else does.
void SubtitleSelectionTest::newLoadShowsItsCounterpart_data() {
    QTest::addColumn<QJsonArray>("tracks");
    QTest::addColumn<QString>("fetched"); // empty: none
    QTest::newRow("same URL") << QJsonArray{QJsonObject{{"url", "http://h/en.srt"}},
                                            QJsonObject{{"url", "http://h/fa.srt"}}}
                              << "http://h/fa.srt";
    QTest::newRow("same name") << QJsonArray{QJsonObject{{"url", "http://h/e2.srt"}},
                                             QJsonObject{{"url", "http://h/e2-fa.srt"},
                                                         {"language", "فارسی"}}}
                               << "http://h/e2-fa.srt";
    QTest::newRow("neither") << QJsonArray{QJsonObject{{"url", "http://h/en.srt"},
                                                       {"language", "English"}}}
                             << QString();
}

void SubtitleSelectionTest::newLoadShowsItsCounterpart() {
    QFETCH(QJsonArray, tracks);
    QFETCH(QString, fetched);
    Harness h;
    showFirstTrack(h, kOneTrack);
    h.load({{"url", "http://h/next"}, {"subtitles", tracks}});
    QVERIFY(!overlay(h)->cue());
    h.advance(1099);
    QVERIFY(h.fetches.isEmpty());
    h.advance(1);
    QCOMPARE(h.fetches.size(), fetched.isEmpty() ? 0 : 1);
    if (fetched.isEmpty())
        return;
    QCOMPARE(h.fetches[0].url.toString(), fetched);
    h.answerFetch(0, kSrt);
    QCOMPARE(h.subtitles().activeTrack()->url, fetched);
}

// Whoever turns subtitles off, or picks another, after a start has the last word.
void SubtitleSelectionTest::choiceAfterARestartStands_data() {
    QTest::addColumn<QString>("restart");
    QTest::addColumn<QByteArray>("choice");
    QTest::addColumn<int>("active"); // -1: none
    QTest::newRow("quality, then off")
        << "quality" << QByteArray(R"({"command":"setSubtitle","index":-1})") << -1;
    QTest::newRow("new load, then off")
        << "load" << QByteArray(R"({"command":"setSubtitle","index":-1})") << -1;
    QTest::newRow("quality, then style off")
        << "quality" << QByteArray(R"({"command":"setSubtitleStyle","subtitleEnabled":false})")
        << 0;
    QTest::newRow("quality, then another track")
        << "quality" << QByteArray(R"({"command":"setSubtitle","index":1})") << 1;
}

void SubtitleSelectionTest::choiceAfterARestartStands() {
    QFETCH(QString, restart);
    QFETCH(QByteArray, choice);
    QFETCH(int, active);
    Harness h;
    const QJsonArray tracks{QJsonObject{{"url", "http://h/fa.srt"}, {"language", "فارسی"}},
                            QJsonObject{{"url", "http://h/en.srt"}, {"language", "English"}}};
    h.load({{"subtitles", tracks},
            {"sources", QJsonArray{QJsonObject{{"url", "http://127.0.0.1/media.mp4"},
                                               {"quality", "720p"}}}}});
    h.startPlaying();
    h.playAt(2);
    for (const auto& track : h.subtitles().tracks())
        track->cues = {{1, 4, track->name}};
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    if (restart == "quality") {
        velmo::test::chooseMenuItem(h.find<MenuChip>("qualityChip"), "720p");
    } else {
        h.load({{"subtitles", tracks}});
        for (const auto& track : h.subtitles().tracks())
            track->cues = {{1, 4, track->name}};
    }
    h.advance(500);
    h.send(choice);
    h.clearEvents();
    h.advance(2000);
    QVERIFY(h.events("settings").isEmpty()); // nothing comes back by itself
    if (active < 0)
        QVERIFY(!h.subtitles().activeTrack());
    else
        QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[active]);
    if (restart == "quality" && active == 0)
        QVERIFY(!h.subtitles().enabled());
}

void SubtitleSelectionTest::theLatestChoiceWins() {
    Harness h;
    h.load({{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/slow.srt"}},
                                     QJsonObject{{"url", "http://h/fast.srt"}}}}});
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    h.send(QByteArray(R"({"command":"setSubtitle","index":1})"));
    QCOMPARE(h.fetches.size(), 2);
    h.answerFetch(1, kSrt);
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[1]);
    h.clearEvents();
    h.answerFetch(0, kSrt); // the earlier choice arrives last: too late
    QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks()[1]);
    QVERIFY(h.lines.isEmpty());
    QVERIFY(!h.fetches[0].owner);

    // Off after asking: the answer changes nothing either.
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    h.send(QByteArray(R"({"command":"setSubtitle","index":-1})"));
    h.clearEvents();
    h.answerFetch(2, kSrt);
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(h.lines.isEmpty());
}

void SubtitleSelectionTest::aDownloadDiesWithItsLoad() {
    Harness h;
    h.load({{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}}}}});
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    h.load({{"url", "http://h/next"},
            {"subtitles", QJsonArray{QJsonObject{{"url", "http://h/b.srt"}}}}});
    h.clearEvents();
    h.answerFetch(0, kSrt);
    QVERIFY(!h.subtitles().activeTrack());
    QVERIFY(h.lines.isEmpty());
    QVERIFY(!overlay(h)->cue());
}

// One renderer at a time: a file handed to the engine ends what the overlay drew.
void SubtitleSelectionTest::fileForTheEngineEndsTheOverlay() {
    Fetching h;
    h.startPlaying();
    h.playAt(2);
    h.send(QByteArray(R"({"command":"setSubtitle","index":0})"));
    QCOMPARE(overlay(h)->cue()->text, QStringLiteral("سلام"));
    h.send(QByteArray(R"({"command":"setSubtitle","index":2})")); // no cues: to the engine
    QVERIFY(h.player()->calls.filter("subfile").size() == 1);
    QVERIFY(!overlay(h)->cue());
    QVERIFY(!h.subtitles().activeTrack());
    h.playAt(3);
    QVERIFY(!overlay(h)->cue());
    QCOMPARE(chip(h)->title(), text::kSubtitle());
}

VELMO_TEST_MAIN(SubtitleSelectionTest)
#include "test_subtitle_selection.moc"
