// The playback part through the player's own wiring and a fake engine: the
// start of a URL, what the engine's events do, the failures, and the transport
// operations, seen where the parent and the viewer see them (events, widgets).

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/numbers.h"
#include "common/texts.h"
#include "ui/icon_button.h"
#include "ui/menu_chip.h"
#include "ui/spinner.h"
#include "ui/velmo_slider.h"

#include <QJsonArray>
#include <QLabel>

#include <limits>

using namespace velmo;
using velmo::test::Harness;

namespace {

QString symbolOf(Harness& h, const char* button) {
    return h.find<IconButton>(button)->symbol();
}

bool shown(Harness& h, const char* widget) {
    return !h.find<QWidget>(widget)->isHidden();
}

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

private slots:
    void failures_data();
    void failures();
    void loadShowsTitlesAndPlaysTheUrl();
    void savedSettingsReachTheEngine_data();
    void savedSettingsReachTheEngine();
    void startTime_data();
    void startTime();
    void newUrlReplacesThePlayer();
    void bufferingThresholds_data();
    void bufferingThresholds();
    void playingPausedStopped();
    void voutHidesLoading();
    void errorEventShowsAndReports();
    void eventsOfAReplacedPlayerAreDropped_data();
    void eventsOfAReplacedPlayerAreDropped();
    void timeAndLengthEvents();
    void timeEventsLeaveAHeldKnobAlone();
    void menusFollowTheEngineAMomentLater();
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

// Each failure shows its message in the error label and sends it, exactly.
void PlaybackTest::failures_data() {
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

void PlaybackTest::failures() {
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QFETCH(bool, playerLeft);
    Harness h([&failure](PlayerEnvironment& env) {
        if (failure == "folder")
            env.engineFolders = {"/nonexistent/velmo"};
    });
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
    QCOMPARE(h.find<QLabel>("errorLabel")->text(), message);
    QVERIFY(shown(h, "errorLabel"));
    QVERIFY(!shown(h, "loadingLabel"));
    QVERIFY(!shown(h, "spinner"));
    QCOMPARE(h.playback().hasPlayer(), playerLeft);
    // The title shows even when nothing can play, and reports go on.
    QCOMPARE(h.find<QLabel>("titleLabel")->text(), QStringLiteral("T"));
    h.tickProgress();
    QCOMPARE(h.events("progress").size(), 1);
}

void PlaybackTest::loadShowsTitlesAndPlaysTheUrl() {
    Harness h;
    h.load({{"url", "http://h/b"}});
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Velmo"));
    QCOMPARE(h.find<QLabel>("titleLabel")->text(), QString());

    h.load({{"title", "فیلم"}, {"subtitle", "قسمت ۱"}, {"url", "http://h/720"}});
    QCOMPARE(h.window().windowTitle(), QStringLiteral("فیلم"));
    QCOMPARE(h.find<QLabel>("titleLabel")->text(), QStringLiteral("فیلم"));
    QCOMPARE(h.find<QLabel>("subtitleLabel")->text(), QStringLiteral("قسمت ۱"));
    QCOMPARE(h.player()->url, QStringLiteral("http://h/720"));
    QVERIFY(h.player()->videoAttached);
    QVERIFY(h.player()->eventsAttached);
    QVERIFY(h.player()->calls.contains("play"));
    QVERIFY(h.events("settings").isEmpty()); // a load reports no settings
}

void PlaybackTest::savedSettingsReachTheEngine_data() {
    QTest::addColumn<QJsonValue>("settings");
    QTest::addColumn<float>("volume");
    QTest::addColumn<float>("rate");
    QTest::newRow("volume 0.555, rate 1.5")
        << QJsonValue(QJsonObject{{"volume", 0.555}, {"rate", 1.5}}) << 0.555f << 1.5f;
    QTest::newRow("rate 5 kept as given") << QJsonValue(QJsonObject{{"rate", 5}}) << 1.0f << 5.0f;
    QTest::newRow("volume as string") << QJsonValue(QJsonObject{{"volume", "0.3"}}) << 1.0f << 1.0f;
    QTest::newRow("settings a string") << QJsonValue("volume") << 1.0f << 1.0f;
}

void PlaybackTest::savedSettingsReachTheEngine() {
    QFETCH(QJsonValue, settings);
    QFETCH(float, volume);
    QFETCH(float, rate);
    Harness h;
    h.load({{"settings", settings}});
    QCOMPARE(h.playback().volume(), volume);
    QCOMPARE(h.playback().rate(), rate);
    QVERIFY(h.player()->calls.contains(QStringLiteral("volume %1").arg(enginePercent(volume))));
    QVERIFY(h.player()->calls.contains(QStringLiteral("rate %1").arg(rate)));
    // Whatever was loaded is what the next report carries.
    h.send(QByteArray("{\"command\":\"setVolume\"}"));
    QCOMPARE(float(h.lastEvent("settings").value("volume").toDouble()), volume);
    QCOMPARE(float(h.lastEvent("settings").value("rate").toDouble()), rate);
}

void PlaybackTest::startTime_data() {
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

void PlaybackTest::startTime() {
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

void PlaybackTest::newUrlReplacesThePlayer() {
    Harness h;
    h.load();
    const auto first = h.player();
    h.startPlaying();
    h.playAt(50, 100);
    h.event(EngineEvent::EncounteredError);
    h.load({{"url", "http://h/other"}});
    QVERIFY(first->released);
    QCOMPARE(first->calls.filter("stop").size(), 1);
    QCOMPARE(h.engine->players.size(), 2);
    QVERIFY(!shown(h, "errorLabel"));
    QVERIFY(shown(h, "loadingLabel"));
    QVERIFY(h.find<Spinner>("spinner")->isAnimating());
    QCOMPARE(h.playback().state().duration, 0.0);
    QCOMPARE(h.playback().state().position, 0.0);
    QCOMPARE(symbolOf(h, "playButton"), QStringLiteral("pause.fill"));
    QVERIFY(h.player()->calls.contains("volume 100"));
    QVERIFY(h.player()->calls.contains("rate 1"));
}

void PlaybackTest::bufferingThresholds_data() {
    QTest::addColumn<int>("fill");
    QTest::addColumn<bool>("spinnerShown");
    QTest::newRow("0") << 0 << true;
    QTest::newRow("99 (99.9 cut)") << 99 << true;
    QTest::newRow("100") << 100 << false;
    QTest::newRow("over 100") << 250 << false;
}

void PlaybackTest::bufferingThresholds() {
    QFETCH(int, fill);
    QFETCH(bool, spinnerShown);
    Harness h;
    h.load();
    h.event(EngineEvent::Playing); // loading text and spinner gone
    h.event(EngineEvent::Buffering, fill);
    QCOMPARE(shown(h, "spinner"), spinnerShown);
    QCOMPARE(h.find<Spinner>("spinner")->isAnimating(), spinnerShown);
    QVERIFY(!shown(h, "loadingLabel")); // buffering never touches the loading text
}

void PlaybackTest::playingPausedStopped() {
    Harness h;
    h.load({{"settings", QJsonObject{{"volume", 0.555}, {"rate", 1.5}}}});
    h.player()->calls.clear();
    h.event(EngineEvent::Playing);
    QVERIFY(!h.playback().state().paused);
    QVERIFY(!shown(h, "loadingLabel"));
    // The engine may have dropped what it was told while opening: told again.
    QCOMPARE(h.player()->calls, (QStringList{"volume 56", "rate 1.5"}));
    h.event(EngineEvent::Paused);
    QVERIFY(h.playback().state().paused);
    QCOMPARE(symbolOf(h, "playButton"), QStringLiteral("play.fill"));
    QVERIFY(shown(h, "centerButton"));
    h.event(EngineEvent::Playing);
    QVERIFY(!shown(h, "centerButton"));
    h.event(EngineEvent::Stopped);
    QCOMPARE(symbolOf(h, "playButton"), QStringLiteral("play.fill"));
    QVERIFY(!h.playback().state().paused); // a stop leaves the flag alone
    // During shutdown a stop changes nothing.
    h.event(EngineEvent::Playing);
    h.send(QByteArray("{\"command\":\"close\"}"));
    h.event(EngineEvent::Stopped);
    QCOMPARE(symbolOf(h, "playButton"), QStringLiteral("pause.fill"));
}

void PlaybackTest::voutHidesLoading() {
    Harness h;
    h.load();
    h.event(EngineEvent::Vout, 0);
    QVERIFY(shown(h, "loadingLabel"));
    QVERIFY(shown(h, "spinner"));
    h.event(EngineEvent::Vout, 1);
    QVERIFY(!shown(h, "loadingLabel"));
    QVERIFY(!shown(h, "spinner"));
}

void PlaybackTest::errorEventShowsAndReports() {
    Harness h;
    h.load();
    h.event(EngineEvent::EncounteredError);
    h.event(EngineEvent::EncounteredError);
    QCOMPARE(h.events("error").size(), 2); // one per engine error
    QVERIFY(h.playback().hasPlayer());    // nothing is stopped: the parent decides
    h.event(EngineEvent::Paused);
    QVERIFY(!shown(h, "centerButton")); // no centre button over an error
    h.event(EngineEvent::Playing);
    QVERIFY(shown(h, "errorLabel")); // playing again does not hide the error
}

// What the old player posted before it was replaced never reaches the new one.
void PlaybackTest::eventsOfAReplacedPlayerAreDropped_data() {
    QTest::addColumn<int>("type");
    QTest::newRow("end") << int(EngineEvent::EndReached);
    QTest::newRow("error") << int(EngineEvent::EncounteredError);
    QTest::newRow("stopped") << int(EngineEvent::Stopped);
    QTest::newRow("paused") << int(EngineEvent::Paused);
    QTest::newRow("time") << int(EngineEvent::TimeChanged);
}

void PlaybackTest::eventsOfAReplacedPlayerAreDropped() {
    QFETCH(int, type);
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(20, 30);
    const auto old = h.player();
    old->time = 29000;
    old->events->post(type, 0); // posted by the engine, not yet delivered
    h.load({{"url", "http://h/second"}});
    h.startPlaying();
    h.playAt(5);
    h.clearEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    h.advance(2000);
    QVERIFY(h.events("ended").isEmpty());
    QVERIFY(h.events("error").isEmpty());
    QVERIFY(h.events("closed").isEmpty());
    QVERIFY(!shown(h, "errorLabel"));
    QVERIFY(!h.playback().state().paused);
    QCOMPARE(h.playback().state().position, 5.0);
    QCOMPARE(symbolOf(h, "playButton"), QStringLiteral("pause.fill"));
    QVERIFY(!old->events); // gone with its session
}

void PlaybackTest::timeAndLengthEvents() {
    Harness h;
    h.load();
    h.player()->length = 100000;
    h.event(EngineEvent::LengthChanged);
    QCOMPARE(h.playback().state().duration, 100.0);
    QCOMPARE(h.find<QLabel>("durationLabel")->text(), QStringLiteral("01:40"));
    QVERIFY(!shown(h, "liveBadge"));
    h.player()->time = 61400;
    h.event(EngineEvent::TimeChanged);
    QCOMPARE(h.playback().state().position, 61.4);
    QCOMPARE(h.find<QLabel>("currentLabel")->text(), QStringLiteral("01:01"));
    QCOMPARE(h.find<VelmoSlider>("positionSlider")->valueSeconds(), 61.4);
    // A length of a second or less shows the live badge instead of the timeline.
    h.player()->length = 1000;
    h.event(EngineEvent::LengthChanged);
    QVERIFY(shown(h, "liveBadge"));
    QVERIFY(!shown(h, "positionSlider"));
}

void PlaybackTest::timeEventsLeaveAHeldKnobAlone() {
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(10, 100);
    auto* slider = h.find<VelmoSlider>("positionSlider");
    auto* current = h.find<QLabel>("currentLabel");
    h.window().resize(1280, 720);
    // The user presses the knob at the slider's middle and holds it.
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() / 2));
    const double held = slider->valueSeconds();
    const QString heldText = current->text();
    QVERIFY(held > 30 && held < 70);
    QCOMPARE(h.player()->calls.filter("time").last(),
             QStringLiteral("time %1").arg(qint64(held * 1000)));
    h.playAt(11);
    QCOMPARE(h.playback().state().position, 11.0); // the clock moves on
    QCOMPARE(slider->valueSeconds(), held);        // the knob and its time do not
    QCOMPARE(current->text(), heldText);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() / 2));
    h.playAt(held + 1);
    QCOMPARE(slider->valueSeconds(), held + 1); // released: the display follows again
}

void PlaybackTest::menusFollowTheEngineAMomentLater() {
    Harness h;
    h.load();
    h.player()->audioTracks = {{1, QStringLiteral("فارسی"), true}};
    auto* audio = h.find<MenuChip>("audioChip");
    h.event(EngineEvent::ESAdded);
    h.advance(499);
    QVERIFY(velmo::test::menuItems(audio).isEmpty());
    h.advance(1);
    QCOMPARE(velmo::test::menuItems(audio), QStringList{"فارسی"});
    // A video output and Playing rebuild too, 800 and 600 ms later.
    h.player()->audioTracks.append({2, QStringLiteral("English"), true});
    h.event(EngineEvent::Vout, 1);
    h.advance(799);
    QCOMPARE(velmo::test::menuItems(audio).size(), 1);
    h.advance(1);
    QCOMPARE(velmo::test::menuItems(audio).size(), 2);
    h.player()->audioTracks.removeLast();
    h.event(EngineEvent::Playing);
    h.advance(599);
    QCOMPARE(velmo::test::menuItems(audio).size(), 2);
    h.advance(1);
    QCOMPARE(velmo::test::menuItems(audio).size(), 1);
}

void PlaybackTest::seekLimits_data() {
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("target");
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("call");
    QTest::newRow("past the end") << 100.0 << 1e9 << 99.8 << "time 99800";
    QTest::newRow("before the start") << 100.0 << -5.0 << 0.0 << "time 0";
    QTest::newRow("no length yet") << 0.0 << 1e9 << 1e9 << "time 1000000000000";
    QTest::newRow("fraction cut for the engine") << 100.0 << 12.3456 << 12.3456 << "time 12345";
}

void PlaybackTest::seekLimits() {
    QFETCH(double, duration);
    QFETCH(double, target);
    QFETCH(double, position);
    QFETCH(QString, call);
    Harness h;
    h.load();
    if (duration > 0)
        h.playAt(0, duration);
    h.player()->calls.clear();
    h.send(QJsonObject{{"command", "seek"}, {"position", target}});
    QCOMPARE(h.playback().state().position, position);
    QCOMPARE(h.player()->calls, QStringList{call});
    QVERIFY(h.events("progress").isEmpty()); // the next report carries it
}

void PlaybackTest::skipGoesTenSeconds() {
    Harness h;
    h.load();
    h.playAt(95, 100);
    h.playback().skip(10);
    QCOMPARE(h.playback().state().position, 99.8);
    h.playback().skip(-10);
    QCOMPARE(h.playback().state().position, 89.8);
    h.playAt(4);
    h.playback().skip(-10);
    QCOMPARE(h.playback().state().position, 0.0);
}

void PlaybackTest::transportWithoutPlayer() {
    Harness h;
    h.send(QByteArray("{\"command\":\"pause\"}"));
    h.send(QByteArray("{\"command\":\"toggle\"}"));
    h.send(QByteArray("{\"command\":\"seek\",\"position\":5}"));
    QVERIFY(h.lines.isEmpty());
    QVERIFY(!h.playback().state().paused);
    // Volume and speed are kept and reach the engine when a URL starts.
    h.send(QByteArray("{\"command\":\"setVolume\",\"volume\":0.2}"));
    h.send(QByteArray("{\"command\":\"setRate\",\"rate\":2}"));
    QCOMPARE(h.events("settings").size(), 2);
    h.load();
    QVERIFY(h.player()->calls.contains("volume 20"));
    QVERIFY(h.player()->calls.contains("rate 2"));
}

void PlaybackTest::volume_data() {
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

void PlaybackTest::volume() {
    QFETCH(double, requested);
    QFETCH(float, volume);
    QFETCH(QString, call);
    QFETCH(QString, symbol);
    Harness h;
    h.load();
    h.player()->calls.clear();
    h.send(QJsonObject{{"command", "setVolume"}, {"volume", requested}});
    QCOMPARE(h.playback().volume(), volume);
    QCOMPARE(h.player()->calls, QStringList{call});
    QCOMPARE(symbolOf(h, "volumeButton"), symbol);
    QCOMPARE(h.events("settings").size(), 1);
    h.send(QJsonObject{{"command", "setVolume"}, {"volume", requested}});
    QCOMPARE(h.events("settings").size(), 2); // the same value reports again
}

void PlaybackTest::muteAndUnmute_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<float>("restored");
    QTest::newRow("0.7 comes back") << 0.7 << 0.7f;
    QTest::newRow("0.005 is not worth restoring") << 0.005 << 1.0f;
}

void PlaybackTest::muteAndUnmute() {
    QFETCH(double, start);
    QFETCH(float, restored);
    Harness h;
    h.send(QJsonObject{{"command", "setVolume"}, {"volume", start}});
    h.playback().toggleMute();
    QCOMPARE(h.playback().volume(), 0.0f);
    h.playback().toggleMute();
    QCOMPARE(h.playback().volume(), restored);
    // Set to 0 directly: unmuting restores the last audible volume.
    h.send(QJsonObject{{"command", "setVolume"}, {"volume", 0.3}});
    h.send(QJsonObject{{"command", "setVolume"}, {"volume", 0}});
    h.playback().toggleMute();
    QCOMPARE(h.playback().volume(), 0.3f);
    QCOMPARE(h.events("settings").size(), 6);
}

void PlaybackTest::rate_data() {
    QTest::addColumn<double>("requested");
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("title");
    QTest::newRow("5") << 5.0 << 3.0f << QString("3×");
    QTest::newRow("0") << 0.0 << 0.25f << QString("0.25×");
    QTest::newRow("1") << 1.0 << 1.0f << text::kRateNormal();
    QTest::newRow("1.25") << 1.25 << 1.25f << QString("1.2×");
}

void PlaybackTest::rate() {
    QFETCH(double, requested);
    QFETCH(float, rate);
    QFETCH(QString, title);
    Harness h;
    h.load();
    h.send(QJsonObject{{"command", "setRate"}, {"rate", requested}});
    QCOMPARE(h.playback().rate(), rate);
    QCOMPARE(h.player()->calls.last(), QStringLiteral("rate %1").arg(rate));
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.find<QLabel>("toastLabel")->text(), text::kRateToast().arg(title));
    QVERIFY(shown(h, "toastLabel"));
}

void PlaybackTest::rateTitles_data() {
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

void PlaybackTest::rateTitles() {
    QFETCH(double, rate);
    QFETCH(QString, title);
    QCOMPARE(rateTitle(rate), title);
}

void PlaybackTest::toggleAfterEndPlaysAgain() {
    Harness h;
    h.load({{"url", "http://h/clip"}, {"startTime", 20}});
    h.startPlaying();
    h.playAt(29.5, 30);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.playback().state().position, 30.0);
    // Paused after the end: the centre button offers to play again.
    h.event(EngineEvent::Paused);
    QCOMPARE(symbolOf(h, "centerButton"), QStringLiteral("arrow.counterclockwise"));
    h.clearEvents();
    h.send(QByteArray("{\"command\":\"toggle\"}"));
    // The same URL from its beginning, in a new player.
    QCOMPARE(h.engine->players.size(), 2);
    QCOMPARE(h.player()->url, QStringLiteral("http://h/clip"));
    QVERIFY(h.player()->options.filter("start-time").isEmpty());
    QVERIFY(!h.playback().state().ended);
    QCOMPARE(h.lastEvent("progress").value("paused").toBool(), false);
}

VELMO_TEST_MAIN(PlaybackTest)
#include "test_playback.moc"
