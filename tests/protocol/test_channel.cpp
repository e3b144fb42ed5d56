// The control channel: how bytes become lines and lines become commands, how
// every field is read, and how an event is written.

#include "../support/harness.h"
#include "../support/test_main.h"
#include "common/numbers.h"
#include "protocol/fields.h"
#include "protocol/json_line.h"
#include "protocol/line_cutter.h"
#include "common/texts.h"
#include "protocol/load_request.h"

#include <QJsonArray>

using namespace velmo;
using velmo::test::Harness;

class ChannelTest : public QObject {
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
    void loadFieldsAndFallbacks();
    void stylePatchReadsOnlyItsTypes();
    void singlePrecisionIsWrittenShortest_data();
    void singlePrecisionIsWrittenShortest();
    void eventThatCannotBeWrittenIsDropped();
};

// Each row: chunks as read, and the lines cut from them.
void ChannelTest::lineCutting_data() {
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

void ChannelTest::lineCutting() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, lines);
    LineCutter cutter;
    QList<QByteArray> got;
    for (const QByteArray& chunk : chunks)
        cutter.feed(chunk, [&](const QByteArray& line) { got.append(line); });
    QCOMPARE(got, lines);
}

void ChannelTest::overLongLineIsDroppedWhole() {
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
    h.app().channel().feed("{\"command\":\"setVolume\",\"volume\":0.3,\"pad\":\"");
    for (int i = 0; i < 9 * 16; ++i) {
        h.app().channel().feed(chunk);
        held = std::max(held, h.app().channel().pending());
    }
    h.app().channel().feed("\"}\n{\"command\":\"setVolume\",\"volume\":0.2}\n");
    QVERIFY(held <= LineCutter::kDefaultLimit);
    QCOMPARE(h.events("settings").size(), 1);
    QCOMPARE(h.lastEvent("settings").value("volume").toDouble(), 0.2);

    // A line exactly at the limit is kept.
    got.clear();
    cutter.feed("12345678\n", sink);
    QCOMPARE(got, QList<QByteArray>{"12345678"});
}

void ChannelTest::ignoredLines_data() {
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
void ChannelTest::ignoredLines() {
    QFETCH(QByteArray, line);
    Harness h;
    h.send(line);
    h.send(QByteArray("{\"command\":\"setVolume\",\"volume\":0.25}\r"));
    QCOMPARE(h.lines.size(), 1);
    QCOMPARE(h.lastEvent("settings").value("volume").toDouble(), 0.25);
}

void ChannelTest::invalidUtf8LineIsIgnoredAlone() {
    Harness h;
    // Three lines in one read; the middle one is not UTF-8.
    h.app().channel().feed(QByteArray("{\"command\":\"setVolume\",\"volume\":0.5}\n"
                               "{\"command\":\"setVolume\",\"volume\":0.1,\"x\":\"\xff\xfe\"}\n"
                               "{\"command\":\"setRate\",\"rate\":2}\n"));
    const auto settings = h.events("settings");
    QCOMPARE(settings.size(), 2);
    QCOMPARE(settings[0].value("volume").toDouble(), 0.5);
    QCOMPARE(settings[1].value("rate").toDouble(), 2.0);
    QCOMPARE(settings[1].value("volume").toDouble(), 0.5);
}

void ChannelTest::splitMultiByteCharacterKeepsTheCommand() {
    Harness h;
    const QByteArray line = QStringLiteral("{\"command\":\"load\",\"url\":\"http://h/a\","
                                           "\"title\":\"فیلم\"}\n")
                                .toUtf8();
    const qsizetype split = line.indexOf("\xd9") + 1; // inside the first Persian letter
    h.app().channel().feed(line.left(split));
    h.app().channel().feed(line.mid(split));
    QCOMPARE(h.window().windowTitle(), QStringLiteral("فیلم"));
    QVERIFY(h.player());
}

void ChannelTest::num_data() {
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

void ChannelTest::num() {
    QFETCH(QByteArray, json);
    QFETCH(double, expected);
    QCOMPARE(Num(QJsonDocument::fromJson(json).object(), QStringLiteral("v"), 7.0), expected);
}

// Values that do not fit an integer are limited before any conversion.
void ChannelTest::numbersNeverOverflow_data() {
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

void ChannelTest::numbersNeverOverflow() {
    QFETCH(QByteArray, command);
    QFETCH(double, duration);
    QFETCH(QString, engineCall);
    Harness h;
    h.load();
    h.startPlaying();
    h.playAt(12, duration);
    h.player()->calls.clear();
    h.send(command);
    QCOMPARE(h.player()->calls.value(0), engineCall);
}

void ChannelTest::subtitleIndexIsTruncated_data() {
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

void ChannelTest::subtitleIndexIsTruncated() {
    QFETCH(QByteArray, index);
    QFETCH(int, chosen);
    Harness h;
    h.load({{"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}},
                                     QJsonObject{{"url", "http://h/b.srt"}}}}});
    // Tracks with cues activate at once, which shows which one was chosen.
    for (const auto& track : h.subtitles().tracks())
        track->cues.append({1, 2, QStringLiteral("x")});
    h.clearEvents();
    h.send("{\"command\":\"setSubtitle\"" +
           (index.isEmpty() ? QByteArray() : ",\"index\":" + index) + "}");
    if (chosen == -2) {
        QVERIFY(h.lines.isEmpty());
        QVERIFY(!h.subtitles().activeTrack());
    } else if (chosen == -1) {
        QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), false);
        QVERIFY(!h.subtitles().activeTrack());
    } else {
        QCOMPARE(h.subtitles().activeTrack(), h.subtitles().tracks().at(chosen));
        QCOMPARE(h.lastEvent("settings").value("subtitleEnabled").toBool(), true);
    }
}

// Every field of "load" is optional; a value of the wrong type counts as missing.
void ChannelTest::loadFieldsAndFallbacks() {
    const LoadRequest bare = readLoadRequest(QJsonObject{{"url", "http://h/b"}});
    QVERIFY(!bare.title);
    QCOMPARE(bare.subtitle, QString());
    QVERIFY(!bare.live);
    QVERIFY(!bare.hasSettings);
    QVERIFY(bare.sources.isEmpty());
    QVERIFY(bare.subtitles.isEmpty());
    QCOMPARE(bare.url, QStringLiteral("http://h/b"));
    QCOMPARE(bare.startTime, 0.0);

    const LoadRequest full = readLoadRequest(QJsonObject{
        {"title", "فیلم"},
        {"subtitle", 7},
        {"isLive", 1},
        {"url", 5},
        {"startTime", "60"},
        {"settings", QJsonObject{{"volume", "0.3"}, {"rate", 1.5}, {"subtitleSize", 30}}},
        {"sources", QJsonArray{QJsonObject{{"url", "http://h/1080"}, {"quality", "1080p"}},
                               QJsonObject{{"url", ""}}, QJsonObject{{"url", 5}}, "x",
                               QJsonObject{{"url", "http://h/720"}, {"quality", 720}}}},
        {"subtitles", QJsonArray{QJsonObject{{"url", "http://h/a.srt"}, {"language", "fa"}},
                                 QJsonObject{{"url", "http://h/a.srt"}}, 7}}});
    QCOMPARE(full.title.value_or("none"), QStringLiteral("فیلم"));
    QCOMPARE(full.subtitle, QString());
    QVERIFY(full.live);
    QCOMPARE(full.url, QString());
    QCOMPARE(full.startTime, 0.0);
    QVERIFY(full.hasSettings);
    QVERIFY(!full.volume);
    QCOMPARE(full.rate.value_or(0), 1.5);
    QCOMPARE(full.style.size.value_or(0), 30.0);
    QCOMPARE(full.sources, (QList<SourceEntry>{{"1080p", "http://h/1080"},
                                               {text::kQuality(), "http://h/720"}}));
    QCOMPARE(full.subtitles.size(), 2); // the same URL twice is two tracks
    QCOMPARE(full.subtitles[0].name, QStringLiteral("fa"));
    QCOMPARE(full.subtitles[1].name, text::kSubtitle());
    QCOMPARE(full.subtitles[1].url, QStringLiteral("http://h/a.srt"));

    QVERIFY(!readLoadRequest(QJsonObject{{"settings", "volume"}}).hasSettings);
}

void ChannelTest::stylePatchReadsOnlyItsTypes() {
    const StylePatch patch = readStylePatch(QJsonObject{{"subtitleEnabled", 0},
                                                        {"subtitleFont", ""},
                                                        {"subtitleSize", "30"},
                                                        {"subtitleColor", "#F00"},
                                                        {"subtitleBackground", 5},
                                                        {"subtitleBackgroundOpacity", true}});
    QCOMPARE(patch.enabled.value_or(true), false);
    QCOMPARE(patch.font.value_or("none"), QString(""));
    QVERIFY(!patch.size);
    QCOMPARE(patch.color.value_or(""), QStringLiteral("#F00"));
    QVERIFY(!patch.background);
    QVERIFY(!patch.backgroundOpacity);
    QCOMPARE(readStylePatch(QJsonObject{{"subtitleEnabled", true}}).enabled.value_or(false), true);
    QCOMPARE(readStylePatch(QJsonObject{}), StylePatch());
}

void ChannelTest::singlePrecisionIsWrittenShortest_data() {
    QTest::addColumn<double>("volume");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("0.55") << 0.55 << QByteArray("\"volume\":0.55,");
    QTest::newRow("0.1") << 0.1 << QByteArray("\"volume\":0.1,");
    QTest::newRow("1") << 1.0 << QByteArray("\"volume\":1,");
    QTest::newRow("0") << 0.0 << QByteArray("\"volume\":0,");
    QTest::newRow("0.333") << 0.333 << QByteArray("\"volume\":0.333,");
}

void ChannelTest::singlePrecisionIsWrittenShortest() {
    QFETCH(double, volume);
    QFETCH(QByteArray, text);
    Harness h;
    h.send(QJsonObject{{"command", "setVolume"}, {"volume", volume}});
    QVERIFY2(h.lines.last().contains(text), h.lines.last().constData());
    // The text reads back as the very float the player holds.
    const double written =
        QJsonDocument::fromJson(h.lines.last()).object().value("volume").toDouble();
    QCOMPARE(static_cast<float>(written), h.playback().volume());
    // And the whole event is one compact line.
    QVERIFY(!h.lines.last().contains('\n'));
    QVERIFY(!h.lines.last().contains(' '));
}

void ChannelTest::eventThatCannotBeWrittenIsDropped() {
    QVERIFY(JsonLine().add("type", "progress").add("position", qInf()).text().isEmpty());
    QCOMPARE(JsonLine().add("type", "x").add("m", QStringLiteral("a\"b\\\n")).text(),
             QByteArray("{\"type\":\"x\",\"m\":\"a\\\"b\\\\\\n\"}"));
}

VELMO_TEST_MAIN(ChannelTest)
#include "test_channel.moc"
