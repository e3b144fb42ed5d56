// Engine set-up, the load command, the start of a URL, engine events and the
// transport operations, through a fake engine behind the seam.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/texts.h"
#include "ui/icon_button.h"
#include "ui/player_window.h"
#include "ui/spinner.h"
#include "ui/velmo_slider.h"

#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QSlider>

using namespace velmo;
using velmo::test::Harness;

namespace {
QString symbolOf(IconButton* button) {
    return button->symbol();
}
} // namespace

class EngineTest : public QObject {
    Q_OBJECT

private slots:
    void engineIsMadeOnceWithItsOptions();
    void engineFolderSearch();
    void failures_data();
    void failures();
    void loadReadsFieldsAndFallsBack();
    void loadSettings_data();
    void loadSettings();
    void startTime_data();
    void startTime();
    void fullscreenOnceAfterFirstSuccessfulLoad();
    void newUrlReplacesThePlayer();
    void bufferingThresholds_data();
    void bufferingThresholds();
    void playingPausedStopped();
    void voutHidesLoading();
    void errorEventShowsAndReports();
    void staleEventsAreDropped_data();
    void staleEventsAreDropped();
    void timeAndLengthEvents();
    void menuRebuildsAreDelayed();
    void firstSubtitleLoadsOnce();
    void seekLimits_data();
    void seekLimits();
    void skipGoesTenSeconds();
    void transportWithoutPlayer();
    void volume_data();
    void volume();
    void muteAndUnmute_data();
    void muteAndUnmute();
    void rate_data();
    void rate();
    void rateTitles_data();
    void rateTitles();
    void toggleAfterEndPlaysAgain();
};

void EngineTest::engineIsMadeOnceWithItsOptions() {
    Harness h;
    h.load({{"settings", QJsonObject{{"subtitleColor", "#ff0000"}}}});
    h.load();
    QCOMPARE(h.engine->instances, 1);
    const QStringList args = h.engine->args;
    QCOMPARE(args.size(), 13);
    QCOMPARE(args.mid(0, 7),
             (QStringList{"--no-video-title-show", "--quiet", "--no-snapshot-preview",
                          "--avcodec-hw=any", "--network-caching=2500", "--file-caching=1500",
                          "--live-caching=2500"}));
    QVERIFY(args.at(7).startsWith("--freetype-font="));
    QVERIFY(args.at(7).size() > QString("--freetype-font=").size());
    QCOMPARE(args.mid(8),
             (QStringList{"--freetype-rel-fontsize=16", "--freetype-color=16777215",
                          "--freetype-background-opacity=120", "--freetype-background-color=0",
                          "--freetype-outline-thickness=4"}));
    QVERIFY(qEnvironmentVariable("VLC_PLUGIN_PATH").endsWith("/plugins"));
    QCOMPARE(qEnvironmentVariable("VLC_VERBOSE"), QStringLiteral("-1"));
}

void EngineTest::engineFolderSearch() {
    QTemporaryDir first, second;
    Harness h;
    h.app.engineFolders = {first.path(), second.path()};
    QCOMPARE(h.app.vlcEngineDirectory(), first.path());
    h.app.engineFolders = {first.path() + "/missing", second.path()};
    QCOMPARE(h.app.vlcEngineDirectory(), second.path());
    h.app.engineFolders = {first.path() + "/missing"};
    QCOMPARE(h.app.vlcEngineDirectory(), QString());
}

// Each failure shows its message in the error label and sends it, exactly.
void EngineTest::failures_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("playerLeft");
    QTest::newRow("no engine folder") << "folder" << text::kErrNoEngine() << false;
    QTest::newRow("instance refused") << "instance" << text::kErrEngineInit() << false;
    QTest::newRow("empty url") << "url" << text::kErrEmptyUrl() << false;
    QTest::newRow("no media") << "media" << text::kErrNoMedia() << false;
    QTest::newRow("no player") << "player" << text::kErrNoPlayer() << false;
    QTest::newRow("play refused") << "play" << text::kErrPlayRefused() << true;
    QTest::newRow("error while playing") << "event" << text::kErrPlayback() << true;
}

void EngineTest::failures() {
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QFETCH(bool, playerLeft);
    Harness h;
    if (failure == "folder")
        h.app.engineFolders = {"/nonexistent/velmo"};
    h.engine->failCreate = failure == "instance";
    if (failure == "media")
        h.engine->failOpen = Engine::OpenError::NoMedia;
    if (failure == "player")
        h.engine->failOpen = Engine::OpenError::NoPlayer;
    h.engine->playResult = failure == "play" ? -1 : 0;
    h.load({{"title", "T"}, {"url", failure == "url" ? "" : "http://h/x"}});
    if (failure == "event")
        h.event(EngineEvent::EncounteredError);

    const auto errors = h.events("error");
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0].value("message").toString(), message);
    QCOMPARE(h.app.errorLabel->text(), message);
    QVERIFY(!h.app.errorLabel->isHidden());
    QVERIFY(h.app.loadingLabel->isHidden());
    QVERIFY(h.app.spinner->isHidden());
    QCOMPARE(bool(h.app.player), playerLeft);
    // The title shows even when nothing can play, and reports go on.
    QCOMPARE(h.app.titleLabel->text(), QStringLiteral("T"));
    h.app.tickProgress();
    QCOMPARE(h.events("progress").size(), 1);
}

void EngineTest::loadReadsFieldsAndFallsBack() {
    Harness h;
    h.load({{"url", "http://h/b"}});
    QCOMPARE(h.app.window->windowTitle(), QStringLiteral("Velmo"));
    QCOMPARE(h.app.titleLabel->text(), QString());
    QVERIFY(h.app.sources.isEmpty());
    QVERIFY(h.app.subtitles.isEmpty());
    QVERIFY(!h.app.currentQuality);

    h.load({{"title", "فیلم"},
            {"subtitle", "قسمت ۱"},
            {"isLive", 1},
            {"url", "http://h/720"},
            {"sources", QJsonArray{QJsonObject{{"url", "http://h/1080"}, {"quality", "1080p"}},
                                   QJsonObject{{"url", ""}}, QJsonObject{{"url", 5}}, "x",
                                   QJsonObject{{"url", "http://h/720"}}}},
            {"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}, {"language", "fa"}},
                                     QJsonObject{{"url", "http://h/a.srt"}}, 7}}});
    QCOMPARE(h.app.window->windowTitle(), QStringLiteral("فیلم"));
    QCOMPARE(h.app.subtitleLabel->text(), QStringLiteral("قسمت ۱"));
    QVERIFY(h.app.live);
    QCOMPARE(h.app.sources.size(), 2);
    QCOMPARE(h.app.sources[0].label, QStringLiteral("1080p"));
    QCOMPARE(h.app.sources[1].label, text::kQuality());
    QCOMPARE(h.app.currentQuality.value_or("none"), text::kQuality());
    QCOMPARE(h.app.subtitles.size(), 2); // the same URL twice is two tracks
    QCOMPARE(h.app.subtitles[0]->name, QStringLiteral("fa"));
    QCOMPARE(h.app.subtitles[1]->name, text::kSubtitle());
    QCOMPARE(h.player()->url, QStringLiteral("http://h/720"));
    QVERIFY(h.player()->videoAttached);
    QVERIFY(h.player()->eventsAttached);
    QVERIFY(h.events("settings").isEmpty()); // load reports no settings
}

void EngineTest::loadSettings_data() {
    QTest::addColumn<QJsonValue>("settings");
    QTest::addColumn<float>("volume");
    QTest::addColumn<float>("lastVolume");
    QTest::addColumn<float>("rate");
    QTest::newRow("volume 0") << QJsonValue(QJsonObject{{"volume", 0}}) << 0.0f << 1.0f << 1.0f;
    QTest::newRow("volume 0.005") << QJsonValue(QJsonObject{{"volume", 0.005}}) << 0.005f << 1.0f
                                  << 1.0f;
    QTest::newRow("volume 0.3, rate 5 kept as given")
        << QJsonValue(QJsonObject{{"volume", 0.3}, {"rate", 5}}) << 0.3f << 0.3f << 5.0f;
    QTest::newRow("volume as string")
        << QJsonValue(QJsonObject{{"volume", "0.3"}}) << 1.0f << 1.0f << 1.0f;
    QTest::newRow("settings a string") << QJsonValue("volume") << 1.0f << 1.0f << 1.0f;
    QTest::newRow("huge volume stays finite")
        << QJsonValue(QJsonObject{{"volume", 1e300}}) << std::numeric_limits<float>::max()
        << std::numeric_limits<float>::max() << 1.0f;
}

void EngineTest::loadSettings() {
    QFETCH(QJsonValue, settings);
    QFETCH(float, volume);
    QFETCH(float, lastVolume);
    QFETCH(float, rate);
    Harness h;
    h.load({{"settings", settings}});
    QCOMPARE(h.app.volume, volume);
    QCOMPARE(h.app.lastVolume, lastVolume);
    QCOMPARE(h.app.rate, rate);
    // Whatever was loaded can be reported.
    h.app.emitSettings();
    QCOMPARE(h.events("settings").size(), 1);
}

void EngineTest::startTime_data() {
    QTest::addColumn<QJsonValue>("start");
    QTest::addColumn<QString>("option"); // empty: none
    QTest::addColumn<QString>("seek");   // the engine call 900 ms after the start
    QTest::newRow("1.5") << QJsonValue(1.5) << QString() << QString();
    QTest::newRow("1.6") << QJsonValue(1.6) << ":start-time=1"
                         << "time 1600";
    QTest::newRow("120.75") << QJsonValue(120.75) << ":start-time=120"
                            << "time 120750";
    QTest::newRow("string") << QJsonValue("60") << QString() << QString();
    QTest::newRow("true") << QJsonValue(true) << QString() << QString();
    QTest::newRow("1e308") << QJsonValue(1e308) << ":start-time=9223372036854775807"
                           << "time 9223372036854775807";
}

void EngineTest::startTime() {
    QFETCH(QJsonValue, start);
    QFETCH(QString, option);
    QFETCH(QString, seek);
    Harness h;
    h.load({{"startTime", start}});
    QStringList expected;
    if (!option.isEmpty())
        expected << option;
    QCOMPARE(h.player()->options.filter("start-time"), expected);
    QVERIFY(h.player()->options.last().startsWith(":http-user-agent=Mozilla/5.0"));
    h.player()->calls.clear();
    h.advance(899);
    QVERIFY(h.player()->calls.filter("time").isEmpty());
    h.advance(1);
    QCOMPARE(h.player()->calls.filter("time"), seek.isEmpty() ? QStringList() : QStringList{seek});
}

void EngineTest::fullscreenOnceAfterFirstSuccessfulLoad() {
    Harness h;
    h.app.engineFolders = {"/nonexistent/velmo"};
    h.load();
    h.advance(1000);
    QVERIFY(!h.app.window->isFullScreen());
    QVERIFY(!h.app.enteredFullscreen);
    h.app.engineFolders = {QDir::tempPath()};
    h.load();
    QVERIFY(h.app.enteredFullscreen);
    h.advance(349);
    QVERIFY(!h.app.window->isFullScreen());
    h.advance(1);
    QVERIFY(h.app.window->isFullScreen());
    h.app.window->showNormal();
    h.load();
    h.advance(1000);
    QVERIFY(!h.app.window->isFullScreen());
}

void EngineTest::newUrlReplacesThePlayer() {
    Harness h;
    h.load();
    const auto first = h.player();
    h.event(EngineEvent::Playing);
    h.app.errorLabel->show();
    h.app.position = 50;
    h.app.duration = 100;
    h.load({{"url", "http://h/other"}});
    QVERIFY(first->released);
    QCOMPARE(first->calls.filter("stop").size(), 1);
    QCOMPARE(h.engine->players.size(), 2);
    QVERIFY(h.app.errorLabel->isHidden());
    QVERIFY(!h.app.loadingLabel->isHidden());
    QVERIFY(h.app.spinner->isAnimating());
    QCOMPARE(h.app.duration, 0.0);
    QCOMPARE(h.app.position, 0.0);
    QCOMPARE(symbolOf(h.app.playButton), QStringLiteral("pause.fill"));
    QVERIFY(h.player()->calls.contains("volume 100"));
    QVERIFY(h.player()->calls.contains("rate 1"));
}

void EngineTest::bufferingThresholds_data() {
    QTest::addColumn<int>("fill");
    QTest::addColumn<bool>("spinnerShown");
    QTest::newRow("0") << 0 << true;
    QTest::newRow("99 (99.9 cut)") << 99 << true;
    QTest::newRow("100") << 100 << false;
    QTest::newRow("over 100") << 250 << false;
}

void EngineTest::bufferingThresholds() {
    QFETCH(int, fill);
    QFETCH(bool, spinnerShown);
    Harness h;
    h.load();
    h.event(EngineEvent::Playing); // loading text and spinner gone
    h.event(EngineEvent::Buffering, fill);
    QCOMPARE(!h.app.spinner->isHidden(), spinnerShown);
    QCOMPARE(h.app.spinner->isAnimating(), spinnerShown);
    QVERIFY(h.app.loadingLabel->isHidden()); // buffering never touches the loading text
}

void EngineTest::playingPausedStopped() {
    Harness h;
    h.load({{"settings", QJsonObject{{"volume", 0.555}, {"rate", 1.5}}}});
    h.player()->calls.clear();
    h.event(EngineEvent::Playing);
    QVERIFY(!h.app.paused);
    QVERIFY(h.app.loadingLabel->isHidden());
    QCOMPARE(h.player()->calls, (QStringList{"volume 56", "rate 1.5"}));
    h.event(EngineEvent::Paused);
    QVERIFY(h.app.paused);
    QCOMPARE(symbolOf(h.app.playButton), QStringLiteral("play.fill"));
    QVERIFY(!h.app.centerButton->isHidden());
    h.event(EngineEvent::Playing);
    QVERIFY(h.app.centerButton->isHidden());
    h.event(EngineEvent::Stopped);
    QCOMPARE(symbolOf(h.app.playButton), QStringLiteral("play.fill"));
    QVERIFY(!h.app.paused); // a stop leaves the flag alone
    // During shutdown a stop changes nothing.
    h.event(EngineEvent::Playing);
    h.app.closing = true;
    h.event(EngineEvent::Stopped);
    QCOMPARE(symbolOf(h.app.playButton), QStringLiteral("pause.fill"));
}

void EngineTest::voutHidesLoading() {
    Harness h;
    h.load();
    h.event(EngineEvent::Vout, 0);
    QVERIFY(!h.app.loadingLabel->isHidden());
    QVERIFY(!h.app.spinner->isHidden());
    h.event(EngineEvent::Vout, 1);
    QVERIFY(h.app.loadingLabel->isHidden());
    QVERIFY(h.app.spinner->isHidden());
}

void EngineTest::errorEventShowsAndReports() {
    Harness h;
    h.load();
    h.event(EngineEvent::EncounteredError);
    h.event(EngineEvent::EncounteredError);
    QCOMPARE(h.events("error").size(), 2); // one per engine error
    QVERIFY(h.app.player);                 // nothing is stopped: the parent decides
    h.event(EngineEvent::Paused);
    QVERIFY(h.app.centerButton->isHidden()); // no centre button over an error
    h.event(EngineEvent::Playing);
    QVERIFY(!h.app.errorLabel->isHidden()); // playing again does not hide the error
}

// Events of a replaced player must not act on the new one.
void EngineTest::staleEventsAreDropped_data() {
    QTest::addColumn<int>("type");
    QTest::newRow("end") << int(EngineEvent::EndReached);
    QTest::newRow("error") << int(EngineEvent::EncounteredError);
    QTest::newRow("stopped") << int(EngineEvent::Stopped);
    QTest::newRow("paused") << int(EngineEvent::Paused);
    QTest::newRow("time") << int(EngineEvent::TimeChanged);
}

void EngineTest::staleEventsAreDropped() {
    QFETCH(int, type);
    Harness h;
    h.load();
    const std::uint64_t old = h.player()->serial;
    h.load({{"url", "http://h/second"}});
    h.event(EngineEvent::Playing);
    h.app.position = 5;
    h.clearEvents();
    h.eventFrom(old, type);
    h.advance(2000);
    QVERIFY(h.events("ended").isEmpty());
    QVERIFY(h.events("error").isEmpty());
    QVERIFY(h.events("closed").isEmpty());
    QVERIFY(h.app.errorLabel->isHidden());
    QVERIFY(!h.app.paused);
    QCOMPARE(h.app.position, 5.0);
    QCOMPARE(symbolOf(h.app.playButton), QStringLiteral("pause.fill"));
    // And with no player at all, events are ignored.
    h.app.player.reset();
    h.eventFrom(old, type);
    QVERIFY(h.lines.isEmpty());
}

void EngineTest::timeAndLengthEvents() {
    Harness h;
    h.load();
    h.player()->length = 100000;
    h.event(EngineEvent::LengthChanged);
    QCOMPARE(h.app.duration, 100.0);
    QCOMPARE(h.app.durationLabel->text(), QStringLiteral("01:40"));
    QVERIFY(h.app.liveBadge->isHidden());
    h.player()->time = 61400;
    h.event(EngineEvent::TimeChanged);
    QCOMPARE(h.app.position, 61.4);
    QCOMPARE(h.app.currentLabel->text(), QStringLiteral("01:01"));
    QCOMPARE(h.app.positionSlider->valueSeconds(), 61.4);
    // While the user drags, time events move the position but not the display.
    h.app.seeking = true;
    h.player()->time = 70000;
    h.event(EngineEvent::TimeChanged);
    QCOMPARE(h.app.position, 70.0);
    QCOMPARE(h.app.currentLabel->text(), QStringLiteral("01:01"));
    // A length of a second or less shows the live badge instead of the timeline.
    h.player()->length = 1000;
    h.event(EngineEvent::LengthChanged);
    QVERIFY(!h.app.liveBadge->isHidden());
    QVERIFY(h.app.positionSlider->isHidden());
}

void EngineTest::menuRebuildsAreDelayed() {
    Harness h;
    h.load();
    const int before = h.pendingSteps();
    h.event(EngineEvent::ESAdded);
    h.event(EngineEvent::ESAdded);
    h.event(EngineEvent::ESDeleted);
    h.event(EngineEvent::Vout, 1);
    h.event(EngineEvent::Playing);
    QCOMPARE(h.pendingSteps(), before + 5); // one each, nothing merged
    h.advance(800);
    QCOMPARE(h.pendingSteps(), before > 0 ? h.pendingSteps() : 0);
}

void EngineTest::firstSubtitleLoadsOnce() {
    Harness h;
    const QJsonObject tracks{{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}},
                                                      QJsonObject{{"url", "http://h/b.srt"}}}}};
    // Not wanted at the first Playing: the attempt is not used up.
    QJsonObject first = tracks;
    first.insert("settings", QJsonObject{{"subtitleEnabled", false}});
    h.load(first);
    h.event(EngineEvent::Playing);
    h.advance(600);
    QVERIFY(!h.app.autoSubtitleTried);
    QVERIFY(h.app.toastLabel->isHidden());

    h.app.subtitleEnabled = true;
    h.app.subtitles[0]->cues.append({0, 10, "x"}); // loaded already: activates at once
    h.clearEvents();
    h.event(EngineEvent::Playing);
    h.advance(599);
    QVERIFY(!h.app.autoSubtitleTried);
    h.advance(1);
    QVERIFY(h.app.autoSubtitleTried);
    QCOMPARE(h.app.activeTrack, h.app.subtitles[0]);
    QCOMPARE(h.events("settings").size(), 1); // the automatic activation reports

    // Never again in this process, whatever is loaded next.
    h.app.activeTrack.reset();
    h.load(tracks);
    h.app.subtitles[0]->cues.append({0, 10, "x"});
    h.event(EngineEvent::Playing);
    h.advance(2000);
    QVERIFY(!h.app.activeTrack);
}

void EngineTest::seekLimits_data() {
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("target");
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("call");
    QTest::newRow("past the end") << 100.0 << 1e9 << 99.8 << "time 99800";
    QTest::newRow("before the start") << 100.0 << -5.0 << 0.0 << "time 0";
    QTest::newRow("no length yet") << 0.0 << 1e9 << 1e9 << "time 1000000000000";
    QTest::newRow("fraction cut for the engine") << 100.0 << 12.3456 << 12.3456 << "time 12345";
}

void EngineTest::seekLimits() {
    QFETCH(double, duration);
    QFETCH(double, target);
    QFETCH(double, position);
    QFETCH(QString, call);
    Harness h;
    h.load();
    h.app.duration = duration;
    h.player()->calls.clear();
    h.app.seekTo(target);
    QCOMPARE(h.app.position, position);
    QCOMPARE(h.player()->calls, QStringList{call});
    QVERIFY(h.events("progress").isEmpty()); // the next report carries it
}

void EngineTest::skipGoesTenSeconds() {
    Harness h;
    h.load();
    h.app.duration = 100;
    h.app.position = 95;
    h.app.skipForward();
    QCOMPARE(h.app.position, 99.8);
    h.app.skipBack();
    QCOMPARE(h.app.position, 89.8);
    h.app.position = 4;
    h.app.skipBack();
    QCOMPARE(h.app.position, 0.0);
}

void EngineTest::transportWithoutPlayer() {
    Harness h;
    h.send(QByteArray("{\"command\":\"pause\"}"));
    h.send(QByteArray("{\"command\":\"toggle\"}"));
    h.send(QByteArray("{\"command\":\"seek\",\"position\":5}"));
    QVERIFY(h.lines.isEmpty());
    QVERIFY(!h.app.paused);
    // Volume and speed are kept and reach the engine when a URL starts.
    h.send(QByteArray("{\"command\":\"setVolume\",\"volume\":0.2}"));
    h.send(QByteArray("{\"command\":\"setRate\",\"rate\":2}"));
    QCOMPARE(h.events("settings").size(), 2);
    h.load();
    QVERIFY(h.player()->calls.contains("volume 20"));
    QVERIFY(h.player()->calls.contains("rate 2"));
}

void EngineTest::volume_data() {
    QTest::addColumn<double>("requested");
    QTest::addColumn<float>("volume");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("symbol");
    QTest::newRow("1.5") << 1.5 << 1.0f << "volume 100"
                         << "speaker.wave.2.fill";
    QTest::newRow("-1") << -1.0 << 0.0f << "volume 0"
                        << "speaker.slash.fill";
    QTest::newRow("0.125 rounds away") << 0.125 << 0.125f << "volume 13"
                                       << "speaker.wave.1.fill";
    QTest::newRow("0.555") << 0.555 << 0.555f << "volume 56"
                           << "speaker.wave.2.fill";
    QTest::newRow("0.004") << 0.004 << 0.004f << "volume 0"
                           << "speaker.wave.1.fill";
    QTest::newRow("0.4") << 0.4 << 0.4f << "volume 40"
                         << "speaker.wave.2.fill";
    QTest::newRow("0.39") << 0.39 << 0.39f << "volume 39"
                          << "speaker.wave.1.fill";
}

void EngineTest::volume() {
    QFETCH(double, requested);
    QFETCH(float, volume);
    QFETCH(QString, call);
    QFETCH(QString, symbol);
    Harness h;
    h.load();
    h.player()->calls.clear();
    h.app.applyVolume(requested);
    QCOMPARE(h.app.volume, volume);
    QCOMPARE(h.player()->calls, QStringList{call});
    QCOMPARE(symbolOf(h.app.volumeButton), symbol);
    QCOMPARE(h.events("settings").size(), 1);
    h.app.applyVolume(requested); // the same value reports again
    QCOMPARE(h.events("settings").size(), 2);
}

void EngineTest::muteAndUnmute_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<float>("restored");
    QTest::newRow("0.7 comes back") << 0.7 << 0.7f;
    QTest::newRow("0.005 is not worth restoring") << 0.005 << 1.0f;
}

void EngineTest::muteAndUnmute() {
    QFETCH(double, start);
    QFETCH(float, restored);
    Harness h;
    h.app.applyVolume(start);
    h.app.toggleMute();
    QCOMPARE(h.app.volume, 0.0f);
    h.app.toggleMute();
    QCOMPARE(h.app.volume, restored);
    // Set to 0 directly: unmuting restores the last audible volume.
    h.app.applyVolume(0.3);
    h.app.applyVolume(0);
    h.app.toggleMute();
    QCOMPARE(h.app.volume, 0.3f);
    QCOMPARE(h.events("settings").size(), 6);
}

void EngineTest::rate_data() {
    QTest::addColumn<double>("requested");
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("title");
    QTest::newRow("5") << 5.0 << 3.0f << QString("3×");
    QTest::newRow("0") << 0.0 << 0.25f << QString("0.25×");
    QTest::newRow("1") << 1.0 << 1.0f << text::kRateNormal();
    QTest::newRow("1.25") << 1.25 << 1.25f << QString("1.2×");
}

void EngineTest::rate() {
    QFETCH(double, requested);
    QFETCH(float, rate);
    QFETCH(QString, title);
    Harness h;
    h.load();
    h.app.applyRate(requested);
    QCOMPARE(h.app.rate, rate);
    QCOMPARE(h.player()->calls.last(), QStringLiteral("rate %1").arg(rate));
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.app.toastLabel->text(), text::kRateToast().arg(title));
    QVERIFY(!h.app.toastLabel->isHidden());
}

void EngineTest::rateTitles_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("title");
    const QList<std::pair<double, QString>> rows = {
        {0.5, "0.5×"},
        {0.75, "0.75×"},
        {1.0, text::kRateNormal()},
        {1.25, "1.2×"},
        {1.5, "1.5×"},
        {1.75, "1.8×"},
        {2.0, "2×"},
        {1.005, text::kRateNormal()},
        {0.25, "0.25×"},
        {3.0, "3×"},
    };
    for (const auto& [rate, title] : rows)
        QTest::newRow(QByteArray::number(rate).constData()) << rate << title;
}

void EngineTest::rateTitles() {
    QFETCH(double, rate);
    QFETCH(QString, title);
    QCOMPARE(VelmoPlayerApp::rateTitle(rate), title);
}

void EngineTest::toggleAfterEndPlaysAgain() {
    Harness h;
    h.load();
    h.app.duration = 30;
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.app.position, 30.0);
    h.player()->calls.clear();
    h.app.togglePlay();
    QCOMPARE(h.player()->calls, (QStringList{"time 0", "pause 0"}));
    QVERIFY(h.app.ended); // only a new start clears it
    h.app.paused = true;
    h.app.updateCenterButton();
    QCOMPARE(symbolOf(h.app.centerButton), QStringLiteral("arrow.counterclockwise"));
}

VELMO_TEST_MAIN(EngineTest)
#include "test_engine.moc"
