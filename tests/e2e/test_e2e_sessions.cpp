// One media after another, as a parent drives the real player: nothing of a
// media reaches the next one, the parent's and the user's last choice stands,
// and "ended" means the media was played to its end.

#include "common/texts.h"
#include "http_server.h"
#include "player_process.h"
#include "sample_media.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using velmo::e2e::HttpServer;
using velmo::e2e::PlayerProcess;
using Event = PlayerProcess::Event;

namespace {

constexpr int kStartMs = 15000; // from "load" to a moving position
constexpr int kSoonMs = 6000;   // for what follows a command
constexpr int kExitMs = 10000;

const QByteArray kSrt = "1\n00:00:00,500 --> 00:00:30,000\nسلام\n";

QJsonObject command(const char* name, const QJsonObject& fields = {}) {
    QJsonObject object = fields;
    object.insert(QStringLiteral("command"), QLatin1String(name));
    return object;
}

QJsonObject load(const QString& url, const QJsonObject& extra = {}) {
    QJsonObject object = command("load", {{"title", "e2e"}, {"url", url}});
    for (auto it = extra.begin(); it != extra.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

PlayerProcess::Accept subtitlesOn(bool on) {
    return [on](const Event& e) {
        return e.object.value("subtitleEnabled") == QJsonValue(on);
    };
}

PlayerProcess::Accept playingAt(double from, double to) {
    return [from, to](const Event& e) {
        const double p = e.number("position");
        return p >= from && p < to && e.object.value("paused") == QJsonValue(false);
    };
}

} // namespace

class SessionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void startTimeOfTheLastLoadOnly();
    void nextLoadDoesNotShowTheOldSubtitle();
    void offAfterARestartStaysOff();
    void theLatestSubtitleChoiceWins();
    void nextEpisodeOnEnded();
    void mediaThatNeverPlaysIsAnError();
    void connectionThatDiesIsAnError();

private:
    PlayerProcess& startPlayer();
    QString url(const QString& path) const { return server_->url(path).toString(); }
    void closeAndExpectExit();

    QTemporaryDir media_;
    std::unique_ptr<HttpServer> server_;
    std::unique_ptr<PlayerProcess> player_;
};

void SessionsTest::initTestCase() {
    QVERIFY(media_.isValid());
    for (const auto& [name, seconds] : {std::pair{"clip.mp4", 6}, std::pair{"long.mp4", 12},
                                        std::pair{"short.mp4", 2}}) {
        const QString problem = velmo::e2e::generateClip(media_.filePath(name), seconds);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    // Index first, so that it plays from the first bytes on.
    QString problem = velmo::e2e::remuxWithIndexFirst(media_.filePath("long.mp4"),
                                                      media_.filePath("streamed.mp4"));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // Index last, on a server without byte ranges: nothing can be played.
    QVERIFY(QFile::copy(media_.filePath("clip.mp4"), media_.filePath("noranges.mp4")));
    for (const char* name : {"fa.srt", "slow.srt", "fast.srt"}) {
        QFile file(media_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kSrt);
    }
    server_ = std::make_unique<HttpServer>(media_.path());
    QVERIFY(server_->listen());
    server_->serveWithoutRanges("/noranges.mp4");
    server_->delayAnswers("/slow.srt", 3000);
    // 40 % of the file, then the server is gone for good.
    server_->dieAfter("/streamed.mp4", QFileInfo(media_.filePath("streamed.mp4")).size() * 4 / 10);
}

void SessionsTest::cleanup() {
    if (!player_)
        return;
    if (QTest::currentTestFailed())
        qWarning().noquote() << player_->describe();
    const QStringList faults = player_->protocolFaults();
    player_.reset();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

PlayerProcess& SessionsTest::startPlayer() {
    player_ = std::make_unique<PlayerProcess>();
    if (!player_->start())
        qWarning("the player did not start: %s", VELMO_PLAYER_BINARY);
    return *player_;
}

void SessionsTest::closeAndExpectExit() {
    PlayerProcess& player = *player_;
    const qsizetype from = player.events().size();
    player.send(command("close"));
    QVERIFY2(player.waitFor("closed", kSoonMs, {}, from) >= 0, qPrintable(player.describe()));
    QVERIFY(player.waitForExit(kExitMs));
    QCOMPARE(player.exitCode(), 0);
}

// A start time is a seek a moment after the start: it belongs to that start.
void SessionsTest::startTimeOfTheLastLoadOnly() {
    PlayerProcess& player = startPlayer();
    player.send(load(url("/long.mp4"), {{"startTime", 8}}));
    QTest::qWait(300);
    const qsizetype from = player.events().size();
    player.send(load(url("/clip.mp4")));
    const qsizetype moving = player.waitFor("progress", kStartMs, playingAt(0.3, 3), from);
    QVERIFY2(moving >= 0, qPrintable(player.describe()));
    QTest::qWait(2500); // well past the moment the first media's seek was due
    for (const Event& e : player.events("progress", moving))
        QVERIFY2(e.number("position") < 5, e.line.constData());
    QCOMPARE(player.count("ended"), 0);
    closeAndExpectExit();
}

void SessionsTest::nextLoadDoesNotShowTheOldSubtitle() {
    PlayerProcess& player = startPlayer();
    const QJsonArray tracks{QJsonObject{{"url", url("/fa.srt")}, {"language", "فارسی"}}};
    player.send(load(url("/long.mp4"), {{"subtitles", tracks}}));
    // Shown by itself once playing, and reported.
    QVERIFY2(player.waitFor("settings", kStartMs, subtitlesOn(true)) >= 0,
             qPrintable(player.describe()));
    const qsizetype from = player.events().size();
    player.send(load(url("/clip.mp4")));
    QVERIFY(player.waitFor("progress", kStartMs, playingAt(0.3, 6), from) >= 0);
    QTest::qWait(2000);
    QCOMPARE(player.events("settings", from).size(), 0);
    closeAndExpectExit();
}

void SessionsTest::offAfterARestartStaysOff() {
    PlayerProcess& player = startPlayer();
    const QJsonArray tracks{QJsonObject{{"url", url("/fa.srt")}, {"language", "فارسی"}}};
    player.send(load(url("/long.mp4"), {{"subtitles", tracks}}));
    QVERIFY2(player.waitFor("settings", kStartMs, subtitlesOn(true)) >= 0,
             qPrintable(player.describe()));
    // The same media again, and the user turns its subtitles off at once.
    player.send(load(url("/long.mp4"), {{"subtitles", tracks}}));
    const qsizetype from = player.events().size();
    player.send(command("setSubtitle", {{"index", -1}}));
    QVERIFY(player.waitFor("settings", kSoonMs, subtitlesOn(false), from) >= 0);
    QTest::qWait(3000);
    const QList<Event> after = player.events("settings", from);
    QCOMPARE(after.size(), 1);
    closeAndExpectExit();
}

void SessionsTest::theLatestSubtitleChoiceWins() {
    PlayerProcess& player = startPlayer();
    const QJsonArray tracks{QJsonObject{{"url", url("/slow.srt")}, {"language", "slow"}},
                            QJsonObject{{"url", url("/fast.srt")}, {"language", "fast"}}};
    player.send(load(url("/long.mp4"), {{"subtitles", tracks},
                                        {"settings", QJsonObject{{"subtitleEnabled", false}}}}));
    QVERIFY(player.waitFor("progress", kStartMs, playingAt(0.3, 12)) >= 0);
    player.send(command("setSubtitle", {{"index", 0}}));
    QTest::qWait(200);
    const qsizetype from = player.events().size();
    player.send(command("setSubtitle", {{"index", 1}}));
    QVERIFY2(player.waitFor("settings", kSoonMs, subtitlesOn(true), from) >= 0,
             qPrintable(player.describe()));
    // The slow answer to the first choice arrives after it, and changes nothing.
    QTRY_VERIFY_WITH_TIMEOUT(server_->requestCount("/slow.srt") == 1, kSoonMs);
    QTest::qWait(4500);
    QCOMPARE(player.events("settings", from).size(), 1);
    closeAndExpectExit();
}

void SessionsTest::nextEpisodeOnEnded() {
    PlayerProcess& player = startPlayer();
    player.send(load(url("/short.mp4")));
    const qsizetype ended = player.waitFor("ended", kStartMs);
    QVERIFY2(ended >= 0, qPrintable(player.describe()));
    player.send(load(url("/clip.mp4"))); // at once, as a parent that plays on does
    QVERIFY2(player.waitFor("progress", kStartMs, playingAt(1.0, 6), ended) >= 0,
             qPrintable(player.describe()));
    QCOMPARE(player.count("closed"), 0);
    QVERIFY(player.running());
    closeAndExpectExit();
}

void SessionsTest::mediaThatNeverPlaysIsAnError() {
    PlayerProcess& player = startPlayer();
    player.send(load(url("/noranges.mp4")));
    const qsizetype error = player.waitFor("error", 60000);
    QVERIFY2(error >= 0, qPrintable(player.describe()));
    QCOMPARE(player.events()[error].object.value("message").toString(), velmo::text::kErrPlayback());
    QTest::qWait(1500);
    QCOMPARE(player.count("ended"), 0);
    QCOMPARE(player.count("closed"), 0); // the window stays, as for every failure
    closeAndExpectExit();
}

void SessionsTest::connectionThatDiesIsAnError() {
    PlayerProcess& player = startPlayer();
    player.send(load(url("/streamed.mp4")));
    QVERIFY2(player.waitFor("progress", kStartMs, playingAt(0.5, 12)) >= 0,
             qPrintable(player.describe()));
    const qsizetype error = player.waitFor("error", 60000);
    QVERIFY2(error >= 0, qPrintable(player.describe()));
    QCOMPARE(player.events()[error].object.value("message").toString(), velmo::text::kErrPlayback());
    QTest::qWait(1500);
    QCOMPARE(player.count("ended"), 0);
    QCOMPARE(player.count("closed"), 0);
    closeAndExpectExit();
}

QTEST_GUILESS_MAIN(SessionsTest)
#include "test_e2e_sessions.moc"
