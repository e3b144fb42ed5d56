// The control channel, the lifecycle and progress reports, driven through a
// controller with a fake engine.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "protocol/fields.h"
#include "protocol/json_line.h"
#include "protocol/line_cutter.h"
#include "common/temp_dir.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QLabel>

using namespace velmo;
using velmo::test::Harness;

class HostTest : public QObject {
    Q_OBJECT

private slots:
    void lineCutting_data();
    void lineCutting();
    void overLongLineIsDroppedWhole();
    void ignoredLines_data();
    void ignoredLines();
    void invalidUtf8LineIsIgnoredAlone();
    void splitMultiByteCharacterKeepsTheCommand();
    void num_data();
    void num();
    void numbersNeverOverflow_data();
    void numbersNeverOverflow();
    void subtitleIndexIsTruncated_data();
    void subtitleIndexIsTruncated();
    void singlePrecisionIsWrittenShortest_data();
    void singlePrecisionIsWrittenShortest();
    void eventThatCannotBeWrittenIsDropped();
    void closeTwiceWritesOneClosed();
    void closeBeforeLoadReportsZero();
    void progressOnlyBetweenLoadAndClosed();
    void progressKeepsKnownValues();
    void endThenClosedThenExit();
    void pauseReportsAtOnce();
    void privateTempDirectory();
};

// Each row: chunks as read, and the lines cut from them.
void HostTest::lineCutting_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("two in one read") << QList<QByteArray>{"a\nb\n"} << QList<QByteArray>{"a", "b"};
    QTest::newRow("split across reads") << QList<QByteArray>{"{\"comm", "and\":", "\"play\"}\n"}
                                        << QList<QByteArray>{"{\"command\":\"play\"}"};
    QTest::newRow("crlf keeps the cr") << QList<QByteArray>{"x\r\n"} << QList<QByteArray>{"x\r"};
    QTest::newRow("no trailing newline") << QList<QByteArray>{"a\nb"} << QList<QByteArray>{"a"};
    QTest::newRow("empty lines pass") << QList<QByteArray>{"\n\n"} << QList<QByteArray>{"", ""};
    QTest::newRow("newline alone completes")
        << QList<QByteArray>{"abc", "\n"} << QList<QByteArray>{"abc"};
}

void HostTest::lineCutting() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, lines);
    LineCutter cutter;
    QList<QByteArray> got;
    for (const QByteArray& chunk : chunks)
        cutter.feed(chunk, [&](const QByteArray& line) { got.append(line); });
    QCOMPARE(got, lines);
}

void HostTest::overLongLineIsDroppedWhole() {
    LineCutter cutter(8);
    QList<QByteArray> got;
    auto sink = [&](const QByteArray& line) {
        got.append(line);
    };
    cutter.feed("short\n0123", sink);
    cutter.feed("456789abc", sink); // goes over the limit: the line is dropped
    QVERIFY(cutter.pending() <= 8);
    cutter.feed("defghijklmnop", sink); // still the same line: skipped, nothing kept
    QCOMPARE(cutter.pending(), 0);
    cutter.feed("xyz\nnext\nta", sink);
    cutter.feed("il\n", sink);
    QCOMPARE(got, (QList<QByteArray>{"short", "next", "tail"}));

    // The player's own limit: a 9 MiB line fed in 64 KiB reads is dropped and
    // never held whole; the command after it runs.
    Harness h;
    const QByteArray chunk(64 * 1024, 'x');
    qsizetype held = 0;
    h.app.feedInput("{\"command\":\"setVolume\",\"volume\":0.3,\"pad\":\"");
    for (int i = 0; i < 9 * 16; ++i) {
        h.app.feedInput(chunk);
        held = std::max(held, h.app.stdinBuffer.pending());
    }
    h.app.feedInput("\"}\n{\"command\":\"setVolume\",\"volume\":0.2}\n");
    QVERIFY(held <= LineCutter::kDefaultLimit);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.lastEvent("settings").value("volume").toDouble(), 0.2);

    // A line exactly at the limit is kept.
    got.clear();
    cutter.feed("12345678\n", sink);
    QCOMPARE(got, QList<QByteArray>{"12345678"});
}

void HostTest::ignoredLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("array") << QByteArray("[{\"command\":\"setVolume\",\"volume\":0.5}]");
    QTest::newRow("number") << QByteArray("42");
    QTest::newRow("string") << QByteArray("\"setVolume\"");
    QTest::newRow("not json") << QByteArray("setVolume 0.5");
    QTest::newRow("command a number") << QByteArray("{\"command\":7,\"volume\":0.5}");
    QTest::newRow("command missing") << QByteArray("{\"volume\":0.5}");
    QTest::newRow("other case") << QByteArray("{\"command\":\"SetVolume\",\"volume\":0.5}");
    QTest::newRow("trailing space") << QByteArray("{\"command\":\"setVolume \",\"volume\":0.5}");
    QTest::newRow("truncated") << QByteArray("{\"command\":\"setVolume\",\"volume\":0.5");
}

// A "setVolume" would answer with "settings"; an ignored line answers nothing.
void HostTest::ignoredLines() {
    QFETCH(QByteArray, line);
    Harness h;
    h.send(line);
    h.send(QByteArray("{\"command\":\"setVolume\",\"volume\":0.25}\r"));
    QCOMPARE(h.lines.size(), 1);
    QCOMPARE(h.lastEvent("settings").value("volume").toDouble(), 0.25);
}

void HostTest::invalidUtf8LineIsIgnoredAlone() {
    Harness h;
    // Three lines in one read; the middle one is not UTF-8.
    h.app.feedInput(QByteArray("{\"command\":\"setVolume\",\"volume\":0.5}\n"
                               "{\"command\":\"setVolume\",\"volume\":0.1,\"x\":\"\xff\xfe\"}\n"
                               "{\"command\":\"setRate\",\"rate\":2}\n"));
    const auto settings = h.events("settings");
    QCOMPARE(settings.size(), 2);
    QCOMPARE(settings[0].value("volume").toDouble(), 0.5);
    QCOMPARE(settings[1].value("rate").toDouble(), 2.0);
    QCOMPARE(settings[1].value("volume").toDouble(), 0.5);
}

void HostTest::splitMultiByteCharacterKeepsTheCommand() {
    Harness h;
    const QByteArray line = QStringLiteral("{\"command\":\"load\",\"url\":\"http://h/a\","
                                           "\"title\":\"فیلم\"}\n")
                                .toUtf8();
    const qsizetype split = line.indexOf("\xd9") + 1; // inside the first Persian letter
    h.app.feedInput(line.left(split));
    h.app.feedInput(line.mid(split));
    QCOMPARE(h.app.titleLabel->text(), QStringLiteral("فیلم"));
    QVERIFY(h.player());
}

void HostTest::num_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<double>("expected");
    QTest::newRow("number") << QByteArray("{\"v\":5.5}") << 5.5;
    QTest::newRow("negative zero") << QByteArray("{\"v\":-0}") << 0.0;
    QTest::newRow("true") << QByteArray("{\"v\":true}") << 1.0;
    QTest::newRow("false") << QByteArray("{\"v\":false}") << 0.0;
    QTest::newRow("string") << QByteArray("{\"v\":\"5\"}") << 7.0;
    QTest::newRow("null") << QByteArray("{\"v\":null}") << 7.0;
    QTest::newRow("array") << QByteArray("{\"v\":[5]}") << 7.0;
    QTest::newRow("object") << QByteArray("{\"v\":{\"a\":5}}") << 7.0;
    QTest::newRow("missing") << QByteArray("{\"w\":5}") << 7.0;
}

void HostTest::num() {
    QFETCH(QByteArray, json);
    QFETCH(double, expected);
    QCOMPARE(Num(QJsonDocument::fromJson(json).object(), QStringLiteral("v"), 7.0), expected);
}

// Values that do not fit an integer are limited before any conversion.
void HostTest::numbersNeverOverflow_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QString>("engineCall");
    QTest::newRow("seek huge, length known")
        << QByteArray("{\"command\":\"seek\",\"position\":1e308}") << 100.0
        << QStringLiteral("time 99800");
    QTest::newRow("seek huge, no length") << QByteArray("{\"command\":\"seek\",\"position\":1e308}")
                                          << 0.0 << QStringLiteral("time 9223372036854775807");
    QTest::newRow("seek very negative") << QByteArray("{\"command\":\"seek\",\"position\":-1e308}")
                                        << 100.0 << QStringLiteral("time 0");
    QTest::newRow("seek negative zero") << QByteArray("{\"command\":\"seek\",\"position\":-0}")
                                        << 100.0 << QStringLiteral("time 0");
    QTest::newRow("seek true") << QByteArray("{\"command\":\"seek\",\"position\":true}") << 100.0
                               << QStringLiteral("time 1000");
    QTest::newRow("seek string is current")
        << QByteArray("{\"command\":\"seek\",\"position\":\"50\"}") << 100.0
        << QStringLiteral("time 12000");
    QTest::newRow("volume huge") << QByteArray("{\"command\":\"setVolume\",\"volume\":1e308}")
                                 << 100.0 << QStringLiteral("volume 100");
    QTest::newRow("volume true") << QByteArray("{\"command\":\"setVolume\",\"volume\":true}")
                                 << 100.0 << QStringLiteral("volume 100");
    QTest::newRow("rate tiny") << QByteArray("{\"command\":\"setRate\",\"rate\":-1e308}") << 100.0
                               << QStringLiteral("rate 0.25");
}

void HostTest::numbersNeverOverflow() {
    QFETCH(QByteArray, command);
    QFETCH(double, duration);
    QFETCH(QString, engineCall);
    Harness h;
    h.load();
    h.app.duration = duration;
    h.app.position = 12;
    h.player()->calls.clear();
    h.send(command);
    QCOMPARE(h.player()->calls.value(0), engineCall);
}

void HostTest::subtitleIndexIsTruncated_data() {
    QTest::addColumn<QByteArray>("index"); // the JSON text of "index", empty when missing
    QTest::addColumn<int>("chosen");       // -1: subtitles off, -2: nothing happens
    QTest::newRow("missing") << QByteArray() << -1;
    QTest::newRow("minus one") << QByteArray("-1") << -1;
    QTest::newRow("1.9") << QByteArray("1.9") << 1;
    QTest::newRow("-0.5") << QByteArray("-0.5") << 0;
    QTest::newRow("-0") << QByteArray("-0") << 0;
    QTest::newRow("true") << QByteArray("true") << 1;
    QTest::newRow("past the end") << QByteArray("2") << -2;
    QTest::newRow("1e308") << QByteArray("1e308") << -2;
    QTest::newRow("-1e308") << QByteArray("-1e308") << -1;
    QTest::newRow("string") << QByteArray("\"1\"") << -1;
}

void HostTest::subtitleIndexIsTruncated() {
    QFETCH(QByteArray, index);
    QFETCH(int, chosen);
    Harness h;
    h.load({{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}},
                                     QJsonObject{{"url", "http://h/b.srt"}}}}});
    // Tracks with cues activate at once, which shows which one was chosen.
    for (const auto& track : h.app.subtitles)
        track->cues.append({1, 2, QStringLiteral("x")});
    h.clearEvents();
    h.send("{\"command\":\"setSubtitle\"" +
           (index.isEmpty() ? QByteArray() : ",\"index\":" + index) + "}");
    if (chosen == -2) {
        QVERIFY(h.lines.isEmpty());
        QVERIFY(!h.app.activeTrack);
    } else if (chosen == -1) {
        QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), false);
        QVERIFY(!h.app.activeTrack);
    } else {
        QCOMPARE(h.app.activeTrack, h.app.subtitles.at(chosen));
        QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), true);
    }
}

void HostTest::singlePrecisionIsWrittenShortest_data() {
    QTest::addColumn<double>("volume");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("0.55") << 0.55 << QByteArray("\"volume\":0.55,");
    QTest::newRow("0.1") << 0.1 << QByteArray("\"volume\":0.1,");
    QTest::newRow("1") << 1.0 << QByteArray("\"volume\":1,");
    QTest::newRow("0") << 0.0 << QByteArray("\"volume\":0,");
    QTest::newRow("0.333") << 0.333 << QByteArray("\"volume\":0.333,");
}

void HostTest::singlePrecisionIsWrittenShortest() {
    QFETCH(double, volume);
    QFETCH(QByteArray, text);
    Harness h;
    h.app.applyVolume(volume);
    QVERIFY2(h.lines.last().contains(text), h.lines.last().constData());
    // The text reads back as the very float the player holds.
    const double written =
        QJsonDocument::fromJson(h.lines.last()).object().value("volume").toDouble();
    QCOMPARE(static_cast<float>(written), h.app.volume);
    // And the whole event is one compact line.
    QVERIFY(!h.lines.last().contains('\n'));
    QVERIFY(!h.lines.last().contains(' '));
}

void HostTest::eventThatCannotBeWrittenIsDropped() {
    QVERIFY(JsonLine().add("type", "progress").add("position", qInf()).text().isEmpty());
    QCOMPARE(JsonLine().add("type", "x").add("m", QStringLiteral("a\"b\\\n")).text(),
             QByteArray("{\"type\":\"x\",\"m\":\"a\\\"b\\\\\\n\"}"));
}

void HostTest::closeTwiceWritesOneClosed() {
    Harness h;
    h.load();
    h.app.position = 12.5;
    h.app.duration = 100;
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

void HostTest::closeBeforeLoadReportsZero() {
    Harness h;
    h.send(QByteArray("{\"command\":\"close\"}"));
    QCOMPARE(h.lines, QList<QByteArray>{"{\"type\":\"closed\",\"position\":0,\"duration\":0}"});
    h.advance(150);
    QCOMPARE(h.terminateCalls, 1);
}

void HostTest::progressOnlyBetweenLoadAndClosed() {
    Harness h;
    h.app.tickProgress();
    QVERIFY(h.events("progress").isEmpty());
    h.load();
    h.app.tickProgress();
    QCOMPARE(h.events("progress").size(), 1);
    h.send(QByteArray("{\"command\":\"close\"}"));
    h.app.tickProgress();
    h.app.setPaused(true);
    QCOMPARE(h.events("progress").size(), 1);
    QCOMPARE(h.events().last().value("type").toString(), QStringLiteral("closed"));
}

void HostTest::progressKeepsKnownValues() {
    Harness h;
    h.load({{"startTime", 1.5}}); // too close to the start to be applied
    h.app.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 0.0);
    h.load({{"startTime", 120}});
    h.app.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 120.0);
    QCOMPARE(h.lastEvent("progress").value("duration").toDouble(), 0.0);
    h.player()->time = 121500;
    h.player()->length = 600000;
    h.app.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 121.5);
    QCOMPARE(h.lastEvent("progress").value("duration").toDouble(), 600.0);
    QCOMPARE(h.app.durationLabel->text(), QStringLiteral("10:00"));
    // The engine forgetting its clock does not erase what is known.
    h.player()->time = 0;
    h.player()->length = -1;
    h.app.tickProgress();
    QCOMPARE(h.lastEvent("progress").value("position").toDouble(), 121.5);
    QCOMPARE(h.lastEvent("progress").value("duration").toDouble(), 600.0);
    const QJsonObject p = h.lastEvent("progress");
    QCOMPARE(p.value("paused").toBool(), false);
    QCOMPARE(p.value("volume").toDouble(), 1.0);
    QCOMPARE(p.value("rate").toDouble(), 1.0);
}

void HostTest::endThenClosedThenExit() {
    Harness h;
    h.load();
    h.event(EngineEvent::Playing);
    h.player()->length = 30000;
    h.event(EngineEvent::LengthChanged);
    h.clearEvents();
    h.player()->time = 29640; // the engine's clock stops short of the end
    h.event(EngineEvent::EndReached);
    h.event(EngineEvent::EndReached);
    QCOMPARE(h.lines, QList<QByteArray>{"{\"type\":\"ended\",\"position\":30,\"duration\":30}"});
    h.app.tickProgress();
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

void HostTest::pauseReportsAtOnce() {
    Harness h;
    h.load();
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

void HostTest::privateTempDirectory() {
    QTemporaryDir base;
    auto mode = [](const QString& path) {
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 0777;
    };
    const QString dir = privateTempDirectoryUnder(base.path(), "velmo");
    QCOMPARE(dir, base.path() + "/velmo");
    QCOMPARE(mode(dir), 0700u);
    QCOMPARE(privateTempDirectoryUnder(base.path(), "velmo"), dir); // used again

    // An existing directory of ours that others can enter is closed up.
    QDir(base.path()).mkdir("open");
    ::chmod(QFile::encodeName(base.path() + "/open").constData(), 0777);
    QCOMPARE(privateTempDirectoryUnder(base.path(), "open"), base.path() + "/open");
    QCOMPARE(mode(base.path() + "/open"), 0700u);

    // A symlink planted under the name (pointing anywhere) is never followed.
    QTemporaryDir elsewhere;
    QFile::link(elsewhere.path(), base.path() + "/planted");
    const QString fresh = privateTempDirectoryUnder(base.path(), "planted");
    QVERIFY(fresh.startsWith(base.path() + "/planted-"));
    QVERIFY(!QFileInfo(fresh).isSymLink());
    QCOMPARE(mode(fresh), 0700u);

    // A file under the name: likewise.
    QFile file(base.path() + "/file");
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(privateTempDirectoryUnder(base.path(), "file").startsWith(base.path() + "/file-"));
}

VELMO_TEST_MAIN(HostTest)
#include "test_host.moc"
