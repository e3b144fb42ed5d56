// What belongs to one media stays with it: a delayed step of a media that has
// been replaced has nothing to act on, and an end of input that is not the end
// of the media is not reported as "ended".

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/texts.h"

#include <QLabel>

using namespace velmo;
using velmo::test::Harness;

class MediaSessionsTest : public QObject {
    Q_OBJECT

private slots:
    void reseekDiesWithItsMedia();
    void closeAfterTheEnd();
    void closeAfterTheEndGivesWayToANewStart_data();
    void closeAfterTheEndGivesWayToANewStart();
    void endOfWhatNeverPlayed();
    void endShortOfTheDuration();
    void restartsThatGetFurtherGoOn();
    void endWithoutADurationIsTheEnd_data();
    void endWithoutADurationIsTheEnd();
};

void MediaSessionsTest::reseekDiesWithItsMedia() {
    Harness h;
    h.load({{"url", "http://h/a"}, {"startTime", 8}});
    const auto a = h.player();
    h.advance(500);
    h.load({{"url", "http://h/b"}});
    const auto b = h.player();
    h.advance(2000);
    QVERIFY(b->calls.filter("time").isEmpty());    // B starts at its own beginning
    QVERIFY(a->calls.filter("time").isEmpty());    // and A is gone before its step
    QCOMPARE(h.playback().state().position, 0.0);
}

void MediaSessionsTest::closeAfterTheEnd() {
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(29.6, 30);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.events("ended").size(), 1);
    h.advance(699);
    QVERIFY(h.events("closed").isEmpty());
    h.advance(1);
    QCOMPARE(h.events("closed").size(), 1);
}

// A parent that loads the next episode on "ended", or a viewer who plays again,
// keeps the window.
void MediaSessionsTest::closeAfterTheEndGivesWayToANewStart_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("plays"); // the URL playing afterwards
    QTest::newRow("load") << QByteArray(R"({"command":"load","url":"http://h/next"})")
                          << "http://h/next";
    QTest::newRow("toggle") << QByteArray(R"({"command":"toggle"})") << "http://h/episode";
    QTest::newRow("seek") << QByteArray(R"({"command":"seek","position":12})")
                          << "http://h/episode";
}

void MediaSessionsTest::closeAfterTheEndGivesWayToANewStart() {
    QFETCH(QByteArray, command);
    QFETCH(QString, plays);
    Harness h;
    h.load({{"url", "http://h/episode"}});
    h.startPlaying();
    h.playAt(29.6, 30);
    h.event(EngineEvent::EndReached);
    h.advance(100);
    h.send(command);
    h.advance(2000);
    QVERIFY(h.events("closed").isEmpty());
    QCOMPARE(h.terminateCalls, 0);
    QCOMPARE(h.player()->url, plays);
    QCOMPARE(h.engine->players.size(), 2);
    QVERIFY(!h.playback().state().ended);
}

void MediaSessionsTest::endOfWhatNeverPlayed() {
    Harness h;
    h.load({{"url", "http://h/unplayable.mp4"}});
    h.event(EngineEvent::Playing);
    h.playAt(0, 10); // a length from the index, and not a moment played
    // The engine's end: played again from where it was, twice.
    for (int restart = 1; restart <= 2; ++restart) {
        h.event(EngineEvent::EndReached);
        QCOMPARE(h.engine->players.size(), 1 + restart);
        QCOMPARE(h.player()->url, QStringLiteral("http://h/unplayable.mp4"));
        QVERIFY(h.player()->options.filter("start-time").isEmpty());
        QVERIFY(h.events("error").isEmpty());
        h.event(EngineEvent::Playing);
        h.playAt(0, 10);
    }
    // It does not get further: a failure, not an end.
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.engine->players.size(), 3);
    QVERIFY(h.events("ended").isEmpty());
    QCOMPARE(h.events("error").size(), 1);
    QCOMPARE(h.lastEvent("error").value("message").toString(), text::kErrPlayback());
    QVERIFY(!h.find<QLabel>("errorLabel")->isHidden());
    h.advance(3000);
    QVERIFY(h.events("closed").isEmpty()); // the window stays, as for every failure
}

void MediaSessionsTest::endShortOfTheDuration() {
    Harness h;
    h.load({{"url", "http://h/clip"}});
    h.startPlaying();
    h.playAt(0.5, 10);
    h.playAt(4); // the connection dies for good at 40 %
    h.clearEvents();
    h.event(EngineEvent::EndReached);
    // Resumed from where it stopped, in a new player.
    QCOMPARE(h.engine->players.size(), 2);
    QVERIFY(h.player()->options.contains(":start-time=4"));
    h.advance(900);
    QCOMPARE(h.player()->calls.filter("time"), QStringList{"time 4000"});
    QVERIFY(h.events("ended").isEmpty());
    h.startPlaying();
    h.playAt(4.1, 10);
    h.event(EngineEvent::EndReached); // no further
    QCOMPARE(h.engine->players.size(), 3);
    h.startPlaying();
    h.playAt(4.2, 10);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.engine->players.size(), 3);
    QVERIFY(h.events("ended").isEmpty());
    QCOMPARE(h.events("error").size(), 1);
}

void MediaSessionsTest::restartsThatGetFurtherGoOn() {
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(0.5, 30);
    for (double stop : {5.0, 10.0, 15.0, 20.0}) {
        h.playAt(stop);
        h.event(EngineEvent::EndReached);
        h.startPlaying();
        h.playAt(stop + 0.5, 30);
    }
    QCOMPARE(h.engine->players.size(), 5);
    QVERIFY(h.events("error").isEmpty());
    // And the real end, a second short of the length at most, is the end.
    h.playAt(29.2);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.engine->players.size(), 5);
    QCOMPARE(h.events("ended").size(), 1);
    QCOMPARE(h.lastEvent("ended").value("position").toDouble(), 30.0);
}

void MediaSessionsTest::endWithoutADurationIsTheEnd_data() {
    QTest::addColumn<bool>("live");
    QTest::addColumn<double>("duration"); // -1: never reported
    QTest::newRow("no length ever known") << false << -1.0;
    QTest::newRow("live with a length") << true << 3600.0;
}

void MediaSessionsTest::endWithoutADurationIsTheEnd() {
    QFETCH(bool, live);
    QFETCH(double, duration);
    Harness h;
    h.load({{"isLive", live}});
    h.startPlaying();
    h.playAt(1, duration);
    h.playAt(42);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.engine->players.size(), 1);
    QCOMPARE(h.events("ended").size(), 1);
}

VELMO_TEST_MAIN(MediaSessionsTest)
#include "test_media_sessions.moc"
