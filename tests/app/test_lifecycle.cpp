// The start and the end of the process, and progress reports: "closed" is
// written exactly once, the player is released before the engine, the process
// exits; "progress" runs from the first "load" until "closed".

#include "../support/harness.h"
#include "../support/test_main.h"

#include <QLabel>

using namespace velmo;
using velmo::test::Harness;

class LifecycleTest : public QObject {
    Q_OBJECT

private slots:
    void closeTwiceWritesOneClosed();
    void closeBeforeLoadReportsZero();
    void windowManagerCloseRunsTheSequence();
    void quitEndsWithoutClosed();
    void progressOnlyBetweenLoadAndClosed();
    void progressKeepsKnownValues();
    void endThenClosedThenExit();
    void pauseReportsAtOnce();
    void fullscreenOnceAfterFirstSuccessfulLoad();
};

void LifecycleTest::closeTwiceWritesOneClosed() {
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(12.5, 100);
    h.send(QByteArray("{\"command\":\"close\"}"));
    // Nothing follows "closed": not a second close, not a command that would
    // answer, not an engine error raised while the player is being released.
    h.send(QByteArray("{\"command\":\"close\"}"));
    h.send(QByteArray("{\"command\":\"setVolume\",\"volume\":0.5}"));
    h.send(QByteArray("{\"command\":\"setRate\",\"rate\":2}"));
    h.event(EngineEvent::EncounteredError);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.events().last().value("type").toString(), QStringLiteral("closed"));
    const auto closed = h.events("closed");
    QCOMPARE(closed.size(), 1);
    QCOMPARE(closed[0].value("position").toDouble(), 12.5);
    QCOMPARE(closed[0].value("duration").toDouble(), 100.0);
    QVERIFY(!h.player()->released);
    h.advance(150);
    QVERIFY(h.player()->released);
    QVERIFY(h.player()->calls.contains("stop"));
    QCOMPARE(h.terminateCalls, 1);
}

void LifecycleTest::closeBeforeLoadReportsZero() {
    Harness h;
    h.send(QByteArray("{\"command\":\"close\"}"));
    QCOMPARE(h.lines, QList<QByteArray>{"{\"type\":\"closed\",\"position\":0,\"duration\":0}"});
    h.advance(150);
    QCOMPARE(h.terminateCalls, 1);
}

void LifecycleTest::progressOnlyBetweenLoadAndClosed() {
    Harness h;
    h.tickProgress();
    QVERIFY(h.events("progress").isEmpty());
    h.load();
    h.tickProgress();
    QCOMPARE(h.events("progress").size(), 1);
    h.send(QByteArray("{\"command\":\"close\"}"));
    h.tickProgress();
    h.playback().setPaused(true);
    QCOMPARE(h.events("progress").size(), 1);
    QCOMPARE(h.events().last().value("type").toString(), QStringLiteral("closed"));
}

void LifecycleTest::progressKeepsKnownValues() {
    Harness h;
    h.load({{"startTime", 1.5}}); // too close to the start to be applied
    h.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 0.0);
    h.load({{"startTime", 120}});
    h.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 120.0);
    QCOMPARE(h.lastEvent("progress").value("duration").toDouble(), 0.0);
    h.player()->time = 121500;
    h.player()->length = 600000;
    h.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 121.5);
    QCOMPARE(h.lastEvent("progress").value("duration").toDouble(), 600.0);
    QCOMPARE(h.find<QLabel>("durationLabel")->text(), QStringLiteral("10:00"));
    // The engine forgetting its clock does not erase what is known.
    h.player()->time = 0;
    h.player()->length = -1;
    h.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 121.5);
    QCOMPARE(h.lastEvent("progress").value("duration").toDouble(), 600.0);
    const QJsonObject p = h.lastEvent("progress");
    QCOMPARE(p.value("paused").toBool(), false);
    QCOMPARE(p.value("volume").toDouble(), 1.0);
    QCOMPARE(p.value("rate").toDouble(), 1.0);
}

void LifecycleTest::endThenClosedThenExit() {
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(1, 30);
    h.clearEvents();
    h.player()->time = 29640; // the engine's clock stops short of the end
    h.event(EngineEvent::TimeChanged);
    h.event(EngineEvent::EndReached);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.lines, QList<QByteArray>{"{\"type\":\"ended\",\"position\":30,\"duration\":30}"});
    h.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 30.0);
    h.advance(699);
    QVERIFY(h.events("closed").isEmpty());
    h.advance(1);
    QCOMPARE(h.events("closed").size(), 1);
    QCOMPARE(h.lastEvent("closed").value("position").toDouble(), 30.0); // where "ended" said
    QCOMPARE(h.terminateCalls, 0);
    h.advance(150);
    QCOMPARE(h.terminateCalls, 1);
}

void LifecycleTest::pauseReportsAtOnce() {
    Harness h;
    h.load();
    h.startPlaying();
    h.clearEvents();
    h.send(QByteArray("{\"command\":\"pause\"}"));
    h.send(QByteArray("{\"command\":\"pause\"}"));
    h.send(QByteArray("{\"command\":\"resume\"}"));
    const auto progress = h.events("progress");
    QCOMPARE(progress.size(), 3);
    QCOMPARE(progress[0].value("paused").toBool(), true);
    QCOMPARE(progress[1].value("paused").toBool(), true);
    QCOMPARE(progress[2].value("paused").toBool(), false);
    QCOMPARE(h.player()->calls.filter("pause"), (QStringList{"pause 1", "pause 1", "pause 0"}));
}

void LifecycleTest::windowManagerCloseRunsTheSequence() {
    Harness h;
    h.load();
    h.window().close(); // as the window manager's close button would
    QCOMPARE(h.events("closed").size(), 1);
    h.advance(150);
    QCOMPARE(h.terminateCalls, 1);
    QVERIFY(h.player()->released);
}

void LifecycleTest::quitEndsWithoutClosed() {
    Harness h;
    h.load();
    h.app().quit();
    QCOMPARE(h.terminateCalls, 1);
    h.app().terminateNow();
    QVERIFY(h.player()->released);
    QVERIFY(h.events("closed").isEmpty());
}

void LifecycleTest::fullscreenOnceAfterFirstSuccessfulLoad() {
    Harness h;
    // No engine: no fullscreen, and the attempt is not used up.
    h.engine->failCreate = true;
    h.load();
    h.advance(1000);
    QVERIFY(!h.window().isFullScreen());
    h.engine->failCreate = false;
    h.load();
    h.advance(349);
    QVERIFY(!h.window().isFullScreen());
    h.advance(1);
    QVERIFY(h.window().isFullScreen());
    // Once per process, even after the user left fullscreen.
    h.window().showNormal();
    h.load();
    h.advance(1000);
    QVERIFY(!h.window().isFullScreen());
}

VELMO_TEST_MAIN(LifecycleTest)
#include "test_lifecycle.moc"
