// The player as its parent application sees it: the real binary, commands on
// its stdin, events on its stdout, media fetched over loopback HTTP. Waits are
// bounded generously (the machine may be slow, or the build sanitized); what is
// checked is what the parent relies on, not how fast it happens.

#include "common/texts.h"
#include "http_server.h"
#include "player_process.h"
#include "sample_media.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

using velmo::e2e::HttpServer;
using velmo::e2e::PlayerProcess;
using Event = PlayerProcess::Event;

namespace {

constexpr double kClipSeconds = 6.0;  // clip.mp4
constexpr double kShortSeconds = 2.0; // short.mp4

// Bounds on waits: long enough never to be what fails on a slow machine.
constexpr int kStartMs = 15000; // from "load" to a moving position
constexpr int kSoonMs = 6000;   // for what follows a command
constexpr int kExitMs = 10000;  // from "closed" to the end of the process

QJsonObject command(const char* name, const QJsonObject& fields = {}) {
    QJsonObject object = fields;
    object.insert(QStringLiteral("command"), QLatin1String(name));
    return object;
}

QJsonObject defaultSettings() {
    return {{"volume", 1},
            {"rate", 1},
            {"subtitleEnabled", true},
            {"subtitleFont", "Vazirmatn"},
            {"subtitleSize", 26},
            {"subtitleColor", "#ffffff"},
            {"subtitleBackground", "#000000"},
            {"subtitleBackgroundOpacity", 0.55}};
}

// A "load" as the parent sends it, for one source.
QJsonObject loadCommand(const QString& url, const QJsonObject& extra = {}) {
    QJsonObject load =
        command("load", {{"title", "e2e"},
                         {"subtitle", "velmo"},
                         {"isLive", false},
                         {"settings", defaultSettings()},
                         {"sources", QJsonArray{QJsonObject{{"url", url}, {"quality", "240p"}}}},
                         {"subtitles", QJsonArray{}},
                         {"url", url},
                         {"startTime", 0}});
    for (auto it = extra.begin(); it != extra.end(); ++it)
        load.insert(it.key(), it.value());
    return load;
}

PlayerProcess::Accept positionAtLeast(double seconds) {
    return [seconds](const Event& e) {
        return e.number("position") >= seconds;
    };
}

PlayerProcess::Accept pausedIs(bool paused) {
    return [paused](const Event& e) {
        return e.object.value("paused") == QJsonValue(paused);
    };
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void playsOverHttp();
    void progressTwiceASecond();
    void startTime_data();
    void startTime();
    void pauseAndResume_data();
    void pauseAndResume();
    void pauseIsReportedAtOnce();
    void seek_data();
    void seek();
    void settingsAreEchoed_data();
    void settingsAreEchoed();
    void endOfMedia();
    void newLoadReplacesTheMedia();
    void playbackError_data();
    void playbackError();
    void emptyUrl_data();
    void emptyUrl();
    void closeBeforeLoad();
    void closeIsFinal_data();
    void closeIsFinal();
    void closeWhileSourceHangs();
    void endOfInputKeepsPlaying();
    void commandSplitInsideCharacter();

private:
    PlayerProcess& startPlayer();
    QString url(const QString& path) const { return server_->url(path).toString(); }
    // Waits for a moving position at or past `seconds`; the index of that progress.
    qsizetype waitForPlayback(double seconds = 0.5);
    // Sends "close" and checks for one "closed" and a clean exit.
    void closeAndExpectExit();

    QTemporaryDir media_;
    std::unique_ptr<HttpServer> server_;
    std::unique_ptr<PlayerProcess> player_;
};

void EndToEndTest::initTestCase() {
    QVERIFY(media_.isValid());
    for (const auto& [name, seconds] :
         {std::pair{"clip.mp4", int(kClipSeconds)}, std::pair{"short.mp4", int(kShortSeconds)}}) {
        const QString problem = velmo::e2e::generateClip(media_.filePath(name), seconds);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    server_ = std::make_unique<HttpServer>(media_.path());
    QVERIFY(server_->listen());
}

void EndToEndTest::cleanup() {
    if (!player_)
        return;
    if (QTest::currentTestFailed())
        qWarning().noquote() << player_->describe();
    const QStringList faults = player_->protocolFaults();
    player_.reset();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

PlayerProcess& EndToEndTest::startPlayer() {
    player_ = std::make_unique<PlayerProcess>();
    if (!player_->start())
        qWarning("the player did not start: %s", VELMO_PLAYER_BINARY);
    return *player_;
}

qsizetype EndToEndTest::waitForPlayback(double seconds) {
    return player_->waitFor(QStringLiteral("progress"), kStartMs, [seconds](const Event& e) {
        return e.number("position") >= seconds && e.object.value("paused") == QJsonValue(false);
    });
}

void EndToEndTest::closeAndExpectExit() {
    PlayerProcess& player = *player_;
    const qsizetype from = player.events().size();
    player.send(command("close"));
    QVERIFY2(player.waitFor(QStringLiteral("closed"), kSoonMs, {}, from) >= 0,
             qPrintable(player.describe()));
    QVERIFY2(player.waitForExit(kExitMs), "the player is still running after \"closed\"");
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
    QCOMPARE(player.count(QStringLiteral("closed")), 1);
}

void EndToEndTest::playsOverHttp() {
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    const qsizetype first = waitForPlayback();
    QVERIFY2(first >= 0, qPrintable(player.describe()));
    const double from = player.events()[first].number("position");
    const qsizetype later =
        player.waitFor(QStringLiteral("progress"), kSoonMs, positionAtLeast(from + 1.0), first);
    QVERIFY2(later >= 0, "the position does not advance");
    QVERIFY(server_->requestCount(QStringLiteral("/clip.mp4")) >= 1);

    const QList<Event> progress = player.events(QStringLiteral("progress"));
    double previous = 0;
    for (const Event& e : progress) {
        QVERIFY2(e.object.value("paused").isBool() && e.object.value("volume").isDouble() &&
                     e.object.value("rate").isDouble() && e.object.value("duration").isDouble(),
                 e.line.constData());
        QCOMPARE(e.object.value("paused").toBool(), false);
        QVERIFY2(e.number("position") >= previous - 0.1, "the position went back");
        previous = e.number("position");
    }
    const Event& last = progress.last();
    QVERIFY2(std::abs(last.number("duration") - kClipSeconds) < 0.3, last.line.constData());

    closeAndExpectExit();
    const Event closed = player.events(QStringLiteral("closed")).first();
    QCOMPARE(closed.number("duration"),
             player.events(QStringLiteral("progress")).last().number("duration"));
    QVERIFY(closed.number("position") >=
            player.events(QStringLiteral("progress")).last().number("position"));
}

void EndToEndTest::progressTwiceASecond() {
    PlayerProcess& player = startPlayer();
    QTest::qWait(1200);
    QCOMPARE(player.count(QStringLiteral("progress")), 0); // nothing before the first load
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));

    // Counted over whole windows of wall time, with room for a loaded machine.
    auto countOver = [&](int ms) {
        const qsizetype before = player.count(QStringLiteral("progress"));
        QTest::qWait(ms);
        return player.count(QStringLiteral("progress")) - before;
    };
    const qsizetype playing = countOver(3000);
    QVERIFY2(playing >= 4 && playing <= 9, qPrintable(QString::number(playing)));
    player.send(command("pause"));
    QVERIFY(player.waitFor(QStringLiteral("progress"), kSoonMs, pausedIs(true)) >= 0);
    const qsizetype paused = countOver(2000);
    QVERIFY2(paused >= 2 && paused <= 7, qPrintable(QString::number(paused)));
    closeAndExpectExit();
}

void EndToEndTest::startTime_data() {
    QTest::addColumn<double>("startTime");
    QTest::addColumn<double>("lowest");  // no position reported below this
    QTest::addColumn<double>("highest"); // where playback is found once it moves
    // The engine lands on a frame, which may be one before the time asked for.
    QTest::newRow("3 s") << 3.0 << 2.9 << 4.5;
    // Up to 1.5 s the start is not worth skipping: playback begins at 0.
    QTest::newRow("1.5 s is kept at the start") << 1.5 << 0.0 << 1.2;
}

void EndToEndTest::startTime() {
    QFETCH(double, startTime);
    QFETCH(double, lowest);
    QFETCH(double, highest);
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4")), {{"startTime", startTime}}));
    // Until the engine's clock runs the start time itself may be reported.
    const qsizetype moving =
        player.waitFor(QStringLiteral("progress"), kStartMs, [startTime](const Event& e) {
            const double p = e.number("position");
            return p > 0 && p != startTime;
        });
    QVERIFY2(moving >= 0, qPrintable(player.describe()));
    const double first = player.events()[moving].number("position");
    QVERIFY2(first >= lowest && first < highest, player.events()[moving].line.constData());
    // Playback goes on from there.
    QVERIFY2(player.waitFor(QStringLiteral("progress"), kSoonMs, positionAtLeast(first + 1.0),
                            moving) >= 0,
             qPrintable(player.describe()));
    for (const Event& e : player.events(QStringLiteral("progress")))
        QVERIFY2(e.number("position") >= lowest, e.line.constData());
    closeAndExpectExit();
}

void EndToEndTest::pauseAndResume_data() {
    QTest::addColumn<QString>("pause");
    QTest::addColumn<QString>("resume");
    QTest::newRow("pause, resume") << "pause"
                                   << "resume";
    QTest::newRow("pause, play") << "pause"
                                 << "play";
    QTest::newRow("toggle, toggle") << "toggle"
                                    << "toggle";
}

void EndToEndTest::pauseAndResume() {
    QFETCH(QString, pause);
    QFETCH(QString, resume);
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    QVERIFY2(waitForPlayback(1.0) >= 0, qPrintable(player.describe()));

    const qsizetype beforePause = player.events().size();
    player.send(command(pause.toLatin1().constData()));
    const qsizetype pausedAt =
        player.waitFor(QStringLiteral("progress"), kSoonMs, pausedIs(true), beforePause);
    QVERIFY2(pausedAt >= 0, qPrintable(player.describe()));
    // While paused the reports go on, all paused, and the position stands still
    // (the report made at the pause itself may still catch the last moment of
    // playback, so it is left out).
    QTest::qWait(2000);
    const QList<Event> whilePaused = player.events(QStringLiteral("progress"), pausedAt + 1);
    QVERIFY2(whilePaused.size() >= 2, qPrintable(player.describe()));
    const double held = whilePaused.first().number("position");
    for (const Event& e : whilePaused) {
        QCOMPARE(e.object.value("paused"), QJsonValue(true));
        QVERIFY2(std::abs(e.number("position") - held) < 0.05, e.line.constData());
    }

    const qsizetype beforeResume = player.events().size();
    player.send(command(resume.toLatin1().constData()));
    const qsizetype resumedAt =
        player.waitFor(QStringLiteral("progress"), kSoonMs, pausedIs(false), beforeResume);
    QVERIFY2(resumedAt >= 0, qPrintable(player.describe()));
    QVERIFY2(player.waitFor(QStringLiteral("progress"), kSoonMs, positionAtLeast(held + 0.8),
                            resumedAt) >= 0,
             qPrintable(player.describe()));
    for (const Event& e : player.events(QStringLiteral("progress"), resumedAt))
        QCOMPARE(e.object.value("paused"), QJsonValue(false));
    closeAndExpectExit();
}

// A pause and a resume in one write: only a report made at once can show the
// pause, since both are handled before the next half-second tick.
void EndToEndTest::pauseIsReportedAtOnce() {
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    QVERIFY2(waitForPlayback(1.0) >= 0, qPrintable(player.describe()));
    const qsizetype before = player.events().size();
    player.sendRaw("{\"command\":\"pause\"}\n{\"command\":\"resume\"}\n");
    const qsizetype pausedAt =
        player.waitFor(QStringLiteral("progress"), kSoonMs, pausedIs(true), before);
    QVERIFY2(pausedAt >= 0, qPrintable(player.describe()));
    // The resume's report may still be on its way when the pause's is read.
    QVERIFY2(player.waitFor(QStringLiteral("progress"), kSoonMs, {}, pausedAt + 1) >= 0,
             qPrintable(player.describe()));
    const QList<Event> after = player.events(QStringLiteral("progress"), pausedAt + 1);
    QCOMPARE(after.first().object.value("paused"), QJsonValue(false));
    // ...and the player really plays on.
    const double at = player.events()[pausedAt].number("position");
    QVERIFY2(player.waitFor(
                 QStringLiteral("progress"), kSoonMs,
                 [at](const Event& e) {
                     return e.number("position") >= at + 1.0 &&
                            e.object.value("paused") == QJsonValue(false);
                 },
                 pausedAt) >= 0,
             qPrintable(player.describe()));
    closeAndExpectExit();
}

void EndToEndTest::seek_data() {
    QTest::addColumn<double>("playUntil");
    QTest::addColumn<double>("target");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::newRow("forward") << 0.5 << 4.0 << 3.8 << 5.0;
    QTest::newRow("back") << 3.0 << 1.0 << 0.8 << 2.0;
    QTest::newRow("before the start is the start") << 2.0 << -5.0 << 0.0 << 1.0;
}

void EndToEndTest::seek() {
    QFETCH(double, playUntil);
    QFETCH(double, target);
    QFETCH(double, low);
    QFETCH(double, high);
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    QVERIFY2(waitForPlayback(playUntil) >= 0, qPrintable(player.describe()));
    const qsizetype before = player.events().size();
    player.send(command("seek", {{"position", target}}));
    const qsizetype landed = player.waitFor(
        QStringLiteral("progress"), kSoonMs,
        [&](const Event& e) { return e.number("position") >= low && e.number("position") <= high; },
        before);
    QVERIFY2(landed >= 0, qPrintable(player.describe()));
    // From there playback goes on, without falling back to where it was.
    const double at = player.events()[landed].number("position");
    QVERIFY2(
        player.waitFor(QStringLiteral("progress"), kSoonMs, positionAtLeast(at + 0.5), landed) >= 0,
        qPrintable(player.describe()));
    for (const Event& e : player.events(QStringLiteral("progress"), landed))
        QVERIFY2(e.number("position") >= low, e.line.constData());
    closeAndExpectExit();
}

void EndToEndTest::settingsAreEchoed_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("volume 0.55") << "setVolume"
                                 << "volume" << 0.55 << QByteArray("0.55");
    QTest::newRow("the same volume again") << "setVolume"
                                           << "volume" << 1.0 << QByteArray("1");
    QTest::newRow("volume above 1") << "setVolume"
                                    << "volume" << 1.7 << QByteArray("1");
    QTest::newRow("volume below 0") << "setVolume"
                                    << "volume" << -0.2 << QByteArray("0");
    QTest::newRow("rate 1.5") << "setRate"
                              << "rate" << 1.5 << QByteArray("1.5");
    QTest::newRow("rate 0.75") << "setRate"
                               << "rate" << 0.75 << QByteArray("0.75");
    QTest::newRow("rate below 0.25") << "setRate"
                                     << "rate" << 0.1 << QByteArray("0.25");
    QTest::newRow("rate above 3") << "setRate"
                                  << "rate" << 4.0 << QByteArray("3");
}

void EndToEndTest::settingsAreEchoed() {
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(double, value);
    QFETCH(QByteArray, written);
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    const QByteArray keyName = key.toLatin1();
    for (int round = 0; round < 2; ++round) { // a repeated value is reported again
        const qsizetype before = player.events().size();
        player.send(command(name.toLatin1().constData(), {{key, value}}));
        const qsizetype echoed = player.waitFor(QStringLiteral("settings"), kSoonMs, {}, before);
        QVERIFY2(echoed >= 0, qPrintable(player.describe()));
        const Event& settings = player.events()[echoed];
        QCOMPARE(settings.raw(keyName.constData()), written);
        for (const char* field : {"volume", "rate", "subtitleSize", "subtitleBackgroundOpacity"})
            QVERIFY2(settings.object.value(QLatin1String(field)).isDouble(), field);
        QVERIFY(settings.object.value("subtitleEnabled").isBool());
        for (const char* field : {"subtitleFont", "subtitleColor", "subtitleBackground"})
            QVERIFY2(settings.object.value(QLatin1String(field)).isString(), field);
        // The reports that follow carry the new value.
        const qsizetype next = player.waitFor(QStringLiteral("progress"), kSoonMs, {}, echoed);
        QVERIFY2(next >= 0, qPrintable(player.describe()));
        QCOMPARE(player.events()[next].raw(keyName.constData()), written);
    }
    closeAndExpectExit();
}

void EndToEndTest::endOfMedia() {
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/short.mp4"))));
    const qsizetype endedAt = player.waitFor(QStringLiteral("ended"), kStartMs + 10000);
    QVERIFY2(endedAt >= 0, qPrintable(player.describe()));
    const Event ended = player.events()[endedAt];
    QCOMPARE(ended.raw("position"), ended.raw("duration"));
    QVERIFY2(std::abs(ended.number("duration") - kShortSeconds) < 0.3, ended.line.constData());

    // The window stays a moment, then closes by itself.
    const qsizetype closedAt = player.waitFor(QStringLiteral("closed"), kSoonMs, {}, endedAt);
    QVERIFY2(closedAt >= 0, qPrintable(player.describe()));
    const Event closed = player.events()[closedAt];
    QCOMPARE(closed.raw("position"), ended.raw("position"));
    QCOMPARE(closed.raw("duration"), ended.raw("duration"));
    const qint64 gap = closed.at - ended.at;
    QVERIFY2(gap >= 400 && gap <= 5000, qPrintable(QString::number(gap)));
    // Reports between the two agree with the end.
    for (const Event& e : player.events(QStringLiteral("progress"), endedAt))
        QCOMPARE(e.raw("position"), ended.raw("duration"));

    QVERIFY2(player.waitForExit(kExitMs), "the player is still running after \"closed\"");
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
    QCOMPARE(player.count(QStringLiteral("ended")), 1);
    QCOMPARE(player.events().last().type(), QStringLiteral("closed"));
}

// A second "load" while the first media plays: the end reported is the new
// media's, once, and nothing of the old one follows.
void EndToEndTest::newLoadReplacesTheMedia() {
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    QVERIFY2(waitForPlayback(1.0) >= 0, qPrintable(player.describe()));
    const qsizetype before = player.events().size();
    player.send(loadCommand(url(QStringLiteral("/short.mp4")), {{"title", "second"}}));
    const qsizetype endedAt = player.waitFor(QStringLiteral("ended"), kStartMs, {}, before);
    QVERIFY2(endedAt >= 0, qPrintable(player.describe()));
    const Event ended = player.events()[endedAt];
    QVERIFY2(std::abs(ended.number("duration") - kShortSeconds) < 0.3, ended.line.constData());
    QVERIFY2(player.waitFor(QStringLiteral("closed"), kSoonMs, {}, endedAt) >= 0,
             qPrintable(player.describe()));
    QVERIFY2(player.waitForExit(kExitMs), "the player is still running after \"closed\"");
    QCOMPARE(player.exitCode(), 0);
    QCOMPARE(player.count(QStringLiteral("ended")), 1);
    // Once the new media's length is known, no report goes back to the old one.
    const QList<Event> progress = player.events(QStringLiteral("progress"), before);
    auto known = std::find_if(progress.cbegin(), progress.cend(), [](const Event& e) {
        return std::abs(e.number("duration") - kShortSeconds) < 0.3;
    });
    QVERIFY(known != progress.cend());
    for (auto it = known; it != progress.cend(); ++it)
        QCOMPARE(it->raw("duration"), known->raw("duration"));
}

void EndToEndTest::playbackError_data() {
    QTest::addColumn<QString>("address");
    QTcpServer probe; // a port that was just free and that nobody listens on
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    QTest::newRow("nobody listens") << QStringLiteral("http://127.0.0.1:%1/x.mp4").arg(closedPort);
    QTest::newRow("not found") << url(QStringLiteral("/missing.mp4"));
}

void EndToEndTest::playbackError() {
    QFETCH(QString, address);
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(address));
    const qsizetype failed = player.waitFor(QStringLiteral("error"), kStartMs);
    QVERIFY2(failed >= 0, qPrintable(player.describe()));
    QCOMPARE(player.events()[failed].object.value("message").toString(),
             velmo::text::kErrPlayback());
    QTest::qWait(1000); // room for a second report of the same failure
    QCOMPARE(player.count(QStringLiteral("error")), 1);
    closeAndExpectExit();
}

void EndToEndTest::emptyUrl_data() {
    QTest::addColumn<QJsonValue>("address"); // undefined: no "url" key
    QTest::newRow("empty") << QJsonValue(QString());
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("not a string") << QJsonValue(42);
}

void EndToEndTest::emptyUrl() {
    QFETCH(QJsonValue, address);
    PlayerProcess& player = startPlayer();
    QJsonObject load = loadCommand(url(QStringLiteral("/clip.mp4")));
    load.remove(QStringLiteral("url"));
    if (!address.isUndefined())
        load.insert(QStringLiteral("url"), address);
    player.send(load);
    const qsizetype failed = player.waitFor(QStringLiteral("error"), kSoonMs);
    QVERIFY2(failed >= 0, qPrintable(player.describe()));
    QCOMPARE(player.events()[failed].object.value("message").toString(),
             velmo::text::kErrEmptyUrl());
    closeAndExpectExit();
    const Event closed = player.events(QStringLiteral("closed")).first();
    QCOMPARE(closed.raw("position"), QByteArray("0"));
    QCOMPARE(closed.raw("duration"), QByteArray("0"));
}

void EndToEndTest::closeBeforeLoad() {
    PlayerProcess& player = startPlayer();
    QTest::qWait(1000); // the window is up
    QVERIFY(player.running());
    closeAndExpectExit();
    QCOMPARE(player.events().size(), 1);
    QCOMPARE(player.events().first().line,
             QByteArray(R"({"type":"closed","position":0,"duration":0})"));
}

// Whatever follows "close" (in the same read or a later one) changes nothing:
// one "closed", nothing after it, exit status 0.
void EndToEndTest::closeIsFinal_data() {
    QTest::addColumn<QList<QByteArray>>("writes");
    const QByteArray close = R"({"command":"close"})"
                             "\n";
    const QByteArray volume = R"({"command":"setVolume","volume":0.5})"
                              "\n";
    const QByteArray rate = R"({"command":"setRate","rate":2})"
                            "\n";
    const QByteArray pause = R"({"command":"pause"})"
                             "\n";
    QTest::newRow("two closes in one write") << QList<QByteArray>{close + close};
    QTest::newRow("two closes in two writes") << QList<QByteArray>{close, close};
    QTest::newRow("volume after close") << QList<QByteArray>{close + volume};
    QTest::newRow("rate after close") << QList<QByteArray>{close + rate};
    QTest::newRow("pause after close") << QList<QByteArray>{close + pause};
}

void EndToEndTest::closeIsFinal() {
    QFETCH(QList<QByteArray>, writes);
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/clip.mp4"))));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    for (const QByteArray& bytes : writes) {
        player.sendRaw(bytes);
        QTest::qWait(50);
    }
    QVERIFY2(player.waitFor(QStringLiteral("closed"), kSoonMs) >= 0, qPrintable(player.describe()));
    QVERIFY2(player.waitForExit(kExitMs), "the player is still running after \"closed\"");
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
    QCOMPARE(player.count(QStringLiteral("closed")), 1);
    QCOMPARE(player.events().last().type(), QStringLiteral("closed"));
}

// A source that accepts the connection and never answers must not hold the
// player open.
void EndToEndTest::closeWhileSourceHangs() {
    PlayerProcess& player = startPlayer();
    const QString silent = QLatin1String(HttpServer::kSilentPath);
    const int asked = server_->requestCount(silent);
    player.send(loadCommand(url(silent)));
    QVERIFY2(QTest::qWaitFor([&] { return server_->requestCount(silent) > asked; }, kStartMs),
             "the player never asked for the source");
    QTest::qWait(500);
    closeAndExpectExit();
    QCOMPARE(player.count(QStringLiteral("error")), 0);
}

// End of input is not a close: a player whose parent stopped writing plays on
// to the end and closes then.
void EndToEndTest::endOfInputKeepsPlaying() {
    PlayerProcess& player = startPlayer();
    player.send(loadCommand(url(QStringLiteral("/short.mp4"))));
    player.closeInput();
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    const qsizetype endedAt = player.waitFor(QStringLiteral("ended"), kStartMs);
    QVERIFY2(endedAt >= 0, qPrintable(player.describe()));
    QVERIFY2(player.waitFor(QStringLiteral("closed"), kSoonMs, {}, endedAt) >= 0,
             qPrintable(player.describe()));
    QVERIFY2(player.waitForExit(kExitMs), "the player is still running after \"closed\"");
    QCOMPARE(player.exitCode(), 0);
}

// The pipe may cut a line anywhere, also inside a character of the title.
void EndToEndTest::commandSplitInsideCharacter() {
    PlayerProcess& player = startPlayer();
    const QString title = QStringLiteral("نمونهٔ آزمایشی");
    QJsonObject load = loadCommand(url(QStringLiteral("/clip.mp4")), {{"title", title}});
    const QByteArray line = QJsonDocument(load).toJson(QJsonDocument::Compact) + '\n';
    const qsizetype cut = line.indexOf(title.toUtf8()) + 1; // after the first byte of "ن"
    QVERIFY(cut > 0);
    QVERIFY((line[cut] & 0xC0) == 0x80); // a continuation byte
    player.sendRaw(line.left(cut));
    QTest::qWait(300);
    player.sendRaw(line.mid(cut));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    QCOMPARE(player.count(QStringLiteral("error")), 0);
    closeAndExpectExit();
}

QTEST_GUILESS_MAIN(EndToEndTest)
#include "test_e2e.moc"
