// SRT decoding and parsing: tables of inputs, golden files under tests/data/srt,
// and the hand-made timing scan held to the timing pattern run by
// QRegularExpression (srt_reference.cpp).

#include "srt_reference.h"
#include "subtitles/srt.h"
#include "support/test_main.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

using velmo::SubtitleCue;
using velmo::reference::describe;

namespace {

QString fromUcs4(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

bool sameCues(const QList<SubtitleCue>& a, const QList<SubtitleCue>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].start != b[i].start || a[i].end != b[i].end || a[i].text != b[i].text)
            return false;
    }
    return true;
}

QByteArray readFixture(const QString& name) {
    QFile file(QStringLiteral(VELMO_SRT_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read fixture %s", qPrintable(file.fileName()));
    return file.readAll();
}

// Rows shared by the table of expected cues and the comparison with the
// pattern: the edges of the timing pattern, of the text rules and of sorting.
void addParseRows() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, const QString& input, const QString& expected) {
        QTest::newRow(name) << input << expected;
    };
    row("empty", QString(), QString());
    row("one cue, number dropped", QStringLiteral("1\n00:00:01,000 --> 00:00:02,000\nHello\n"),
        QStringLiteral("1 --> 2\n| Hello\n"));
    row("CR LF", QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\nWorld\r\n"),
        QStringLiteral("1 --> 2\n| Hello\n| World\n"));
    row("CR", QStringLiteral("1\r00:00:01,000 --> 00:00:02,000\rHello\rWorld\r"),
        QStringLiteral("1 --> 2\n| Hello\n| World\n"));
    row("CR CR is a blank line",
        QStringLiteral("00:00:01,000 --> 00:00:02,000\r\rHello\r\n\r\n00:00:03 --> 00:00:04 x"),
        QStringLiteral("3 --> 4\n| x\n"));
    row("fraction is a decimal fraction", QStringLiteral("00:00:01,5 --> 00:00:02,25 x"),
        QStringLiteral("1.5 --> 2.25\n| x\n"));

    // The first stamp.
    row("four hour digits: the match starts at the last three",
        QStringLiteral("1234:00:00,000 --> 234:00:01,000\nx"),
        QStringLiteral("842400 --> 842401\n| x\n"));
    row("a third hour digit before hh:mm:ss,fff",
        QStringLiteral("100:00:01,000 --> 00:00:02,000 x"), QStringLiteral("360001 --> 2\n| x\n"));
    row("a Persian hour digit before hh:mm:ss,fff",
        QStringLiteral("۱00:00:01,000 --> 00:00:02,000 x"), QStringLiteral("360001 --> 2\n| x\n"));
    row("a hour digit outside the BMP before hh:mm:ss,fff",
        QStringLiteral("𝟏00:00:01,000 --> 00:00:02,000 x"), QStringLiteral("360001 --> 2\n| x\n"));
    row("two spaces before the arrow", QStringLiteral("00:00:01,000  --> 00:00:02,000 x"),
        QStringLiteral("1 --> 2\n| x\n"));
    row("three second digits", QStringLiteral("00:00:001 --> 00:00:02\nx"), QString());
    row("three minute digits", QStringLiteral("00:000:01 --> 00:00:02\nx"), QString());
    row("four fraction digits", QStringLiteral("00:00:01,1234 --> 00:00:02\nx"), QString());
    row("point without digits", QStringLiteral("00:00:01. --> 00:00:02 x"), QString());
    row("text before the timing is dropped", QStringLiteral("Note 00:00:01 --> 00:00:02 t"),
        QStringLiteral("1 --> 2\n| t\n"));
    // The second stamp ends the pattern: it stops early and leaves the rest.
    row("four hour digits after the arrow", QStringLiteral("00:00:01 --> 1000:00:02\nx"),
        QString());
    row("third second digit goes to the text", QStringLiteral("00:00:01 --> 00:00:023x"),
        QStringLiteral("1 --> 2\n| 3x\n"));
    row("fourth fraction digit goes to the text", QStringLiteral("00:00:01 --> 00:00:02,1234\nx"),
        QStringLiteral("1 --> 2.123\n| 4\n| x\n"));
    row("point without digits goes to the text", QStringLiteral("00:00:01 --> 00:00:02.x"),
        QStringLiteral("1 --> 2\n| .x\n"));
    // The arrow.
    row("first arrow without stamps, second with", QStringLiteral("a --> b 00:00:01-->00:00:02 t"),
        QStringLiteral("1 --> 2\n| t\n"));
    row("first arrow's second stamp broken",
        QStringLiteral("00:00:01 --> 0:0 00:00:03 --> 00:00:04 t"),
        QStringLiteral("3 --> 4\n| t\n"));
    row("long arrow", QStringLiteral("00:00:01 ---> 00:00:02 t"), QString());
    row("two arrows", QStringLiteral("00:00:01 -->--> 00:00:02 t"), QString());
    row("any white space around the arrow",
        QStringLiteral("00:00:01\t\u3000\n-->\u2028\u00a000:00:02 t"),
        QStringLiteral("1 --> 2\n| t\n"));
    row("U+180E is white space to the pattern", QStringLiteral("00:00:01\u180e-->\u180e00:00:02 t"),
        QStringLiteral("1 --> 2\n| t\n"));
    row("U+200C is not white space", QStringLiteral("00:00:01\u200c-->00:00:02 t"), QString());
    // Digits of other scripts.
    row("Persian digits", QStringLiteral("۰۰:۰۰:۰۱,۵ --> ۰۰:۰۰:۰۲ متن"),
        QStringLiteral("1.5 --> 2\n| متن\n"));
    row("Arabic-Indic digits", QStringLiteral("٠٠:٠٠:٠٣ --> ٠٠:٠١:٠٠ نص"),
        QStringLiteral("3 --> 60\n| نص\n"));
    row("mixed scripts", QStringLiteral("0:0:۱ --> 0:0:٢ t"), QStringLiteral("1 --> 2\n| t\n"));
    row("digits outside the BMP count one each", QStringLiteral("𝟏𝟐𝟑𝟒:𝟎𝟎:𝟎𝟎 --> 𝟎:𝟎:𝟏𝟐𝟑 t"),
        QStringLiteral("842400 --> 12\n| 𝟑 t\n"));
    // Text.
    row("timing alone", QStringLiteral("1\n00:00:01,000 --> 00:00:02,000"), QString());
    row("only markup", QStringLiteral("00:00:01 --> 00:00:02 <i></i>{x}"), QString());
    row("escapes", QStringLiteral("00:00:01 --> 00:00:02 a\\Nb\\nc\\\\N"),
        QStringLiteral("1 --> 2\n| a\n| b\n| c\\\n"));
    row("escapes are read before markup is removed",
        QStringLiteral("00:00:01 --> 00:00:02 a\\<i>N"), QStringLiteral("1 --> 2\n| a\\N\n"));
    row("a tag may span lines made by escapes",
        QStringLiteral("00:00:01 --> 00:00:02 <font\\Ncolor=red>x"),
        QStringLiteral("1 --> 2\n| x\n"));
    row("unclosed angle, closed brace", QStringLiteral("00:00:01 --> 00:00:02 a < b {c} d"),
        QStringLiteral("1 --> 2\n| a < b  d\n"));
    row("a tag swallows the other kind's opening", QStringLiteral("00:00:01 --> 00:00:02 a<{>b}c"),
        QStringLiteral("1 --> 2\n| ab}c\n"));
    row("a line of spaces does not split blocks", QStringLiteral("00:00:01 --> 00:00:02 a\n \nb"),
        QStringLiteral("1 --> 2\n| a\n|  \n| b\n"));
    row("U+2028 and U+00A0 trimmed, U+200C and U+FEFF kept",
        QStringLiteral("00:00:01 --> 00:00:02\u2028\u00a0\u200cx\ufeff\u2029"),
        QStringLiteral("1 --> 2\n| <U+200C>x<U+FEFF>\n"));
    // Order.
    row("sorted by start, equal starts in file order",
        QStringLiteral(
            "00:00:02 --> 00:00:03 A\n\n00:00:01 --> 00:00:05 B\n\n00:00:02 --> 00:00:04 C"),
        QStringLiteral("1 --> 5\n| B\n\n2 --> 3\n| A\n\n2 --> 4\n| C\n"));
    row("end before start stays", QStringLiteral("00:00:05 --> 00:00:01 x"),
        QStringLiteral("5 --> 1\n| x\n"));
}

// Code points in order, without surrogates and without planes 4 to 13, which
// no version of Unicode has assigned a character in.
char32_t nextCodePoint(char32_t c) {
    ++c;
    if (c == 0xD800)
        return 0xE000;
    if (c == 0x40000)
        return 0xE0000;
    return c;
}

bool isTrimmed(char32_t c) {
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85)
        return true;
    const QChar::Category category = QChar::category(c);
    return category == QChar::Separator_Space || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

class TestSrt : public QObject {
    Q_OBJECT

private slots:
    void parse_data() { addParseRows(); }
    void parse() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(describe(velmo::ParseSubtitle(input)), expected);
    }

    void parseMatchesPattern_data() {
        addParseRows();
        for (const char* name : {"standard.srt", "persian-utf8.srt", "timing-forms.srt",
                                 "markup.srt", "structure.srt", "order.srt"}) {
            QTest::newRow(name) << QString::fromUtf8(readFixture(QString::fromLatin1(name)))
                                << QString();
        }
    }
    void parseMatchesPattern() {
        QFETCH(QString, input);
        QCOMPARE(describe(velmo::ParseSubtitle(input)),
                 describe(velmo::reference::parseSubtitle(input)));
    }

    // Each code point in every place of a stamp where a digit, a separator or
    // white space can stand: the character classes of the scan against PCRE's.
    void everyCodePointAgreesWithPattern() {
        for (char32_t c = 0; c <= 0x10FFFF; c = nextCodePoint(c)) {
            const QString x = fromUcs4(c);
            const QString text = QStringLiteral("0:0:1") + x + QStringLiteral("-->") + x +
                                 QStringLiteral("0:0:2 a\n\n0:0:") + x + QStringLiteral("-->0:") +
                                 x + QStringLiteral(":1") + x + x + QStringLiteral(" b\n\n") + x +
                                 x + x + x + QStringLiteral(":0:0,0") + x +
                                 QStringLiteral("-->0:0:3 c");
            if (!sameCues(velmo::ParseSubtitle(text), velmo::reference::parseSubtitle(text)))
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(uint(c), 4, 16, QChar(u'0'))));
        }
    }

    // The trim set is U+0009-U+000D, U+0085 and the separators (Zs, Zl, Zp).
    void trimSet() {
        for (char32_t c = 0; c <= 0x10FFFF; c = nextCodePoint(c)) {
            const QString x = fromUcs4(c);
            const QList<SubtitleCue> cues =
                velmo::ParseSubtitle(QStringLiteral("0:0:1-->0:0:2 ") + x + u'x' + x);
            const QString expected = isTrimmed(c) ? QStringLiteral("x") : x + u'x' + x;
            if (cues.size() != 1 || cues[0].text != expected)
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(uint(c), 4, 16, QChar(u'0'))));
        }
    }

    void parseTime_data() {
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<double>("seconds");
        QTest::newRow("comma fraction") << QStringLiteral("00:01:02,5") << 62.5;
        QTest::newRow("fraction of a second, not milliseconds")
            << QStringLiteral("00:00:01,05") << 1.05;
        QTest::newRow("point fraction") << QStringLiteral("1:02:03.004") << 3723.004;
        QTest::newRow("three-digit hours") << QStringLiteral("100:00:00,000") << 360000.0;
        QTest::newRow("no fraction") << QStringLiteral("00:00:07") << 7.0;
        QTest::newRow("Persian digits") << QStringLiteral("۰۱:۰۲:۰۳,۵") << 3723.5;
        QTest::newRow("Arabic-Indic digits") << QStringLiteral("٠٠:٠١:٠٥") << 65.0;
        QTest::newRow("digits outside the BMP") << QStringLiteral("𝟏:𝟎𝟎:𝟎𝟏,𝟓") << 3601.5;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("not a number") << QStringLiteral("abc") << 0.0;
        QTest::newRow("part without a number counts 0") << QStringLiteral("1:x:3") << 3603.0;
        QTest::newRow("empty part counts 0") << QStringLiteral("1::3") << 3603.0;
        QTest::newRow("leading number of a part") << QStringLiteral("00:01:02,5abc") << 62.5;
        QTest::newRow("second fraction mark ends the number") << QStringLiteral("1:1,5,6") << 61.5;
        QTest::newRow("fraction mark without digits") << QStringLiteral("0:0:7.") << 7.0;
        QTest::newRow("four parts") << QStringLiteral("1:2:3:4") << 223384.0;
        QTest::newRow("no sign") << QStringLiteral("-1:00:00") << 0.0;
        QTest::newRow("no leading white space") << QStringLiteral(" 1:00:00") << 0.0;
        QTest::newRow("sixteen digits") << QStringLiteral("1234567890.123456") << 1234567890.123456;
        QTest::newRow("too many digits for a double")
            << QString(400, u'9') << std::numeric_limits<double>::infinity();
        QTest::newRow("too small for a double")
            << QStringLiteral("0.") + QString(400, u'0') + u'1' << 0.0;
        QTest::newRow("Arabic decimal separator is not a fraction mark")
            << QStringLiteral("0:0:1\u066b5") << 1.0;
    }
    void parseTime() {
        QFETCH(QString, stamp);
        QFETCH(double, seconds);
        QCOMPARE(velmo::ParseSubtitleTime(stamp), seconds);
        QCOMPARE(velmo::ParseSubtitleTime(stamp), velmo::reference::parseSubtitleTime(stamp));
    }

    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("UTF-8") << QByteArray("\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 ok")
                               << QStringLiteral("سلام ok");
        QTest::newRow("byte-order mark removed") << QByteArray("\xef\xbb\xbf"
                                                               "1\n")
                                                 << QStringLiteral("1\n");
        QTest::newRow("only one of two marks removed") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf"
                                                                     "1")
                                                       << QStringLiteral("\ufeff1");
        QTest::newRow("mark alone") << QByteArray("\xef\xbb\xbf") << QString();
        QTest::newRow("a mark inside stays")
            << QByteArray("a\xef\xbb\xbf") << QStringLiteral("a\ufeff");
        QTest::newRow("U+FFFD in valid UTF-8 stays")
            << QByteArray("a\xef\xbf\xbd") << QStringLiteral("a\ufffd");
        QTest::newRow("NUL bytes are valid UTF-8")
            << QByteArray("1\0:2", 4) << QString::fromUtf16(u"1\0:2", 4);
        // Not UTF-8: Windows-1256 (0xD3 0xE1 0xC7 0xE3 is "سلام").
        QTest::newRow("Windows-1256 Persian")
            << QByteArray("\xd3\xe1\xc7\xe3 \x81\x8d\x90\x8e \x9d")
            << QStringLiteral("سلام پچگژ \u200c");
        QTest::newRow("one malformed byte rejects all the UTF-8")
            << QByteArray("\xd8\xb3 caf\xe9") << QStringLiteral("ط\u00b3 café");
        QTest::newRow("U+FFFD and a malformed byte")
            << QByteArray("\xef\xbf\xbd\xff") << QStringLiteral("\u00ef\u061f\u00bd\u06d2");
        QTest::newRow("sequence cut at the end") << QByteArray("ab\xd8") << QStringLiteral("abط");
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xa0\x80") << QStringLiteral("\u064a\u00a0\u20ac");
        QTest::newRow("overlong NUL") << QByteArray("\xc0\x80") << QStringLiteral("\u06c1\u20ac");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\u00f4\u06af\u20ac\u20ac");
        // A leading byte-order mark names the encoding; one mark is removed.
        const auto hex = [](const char* bytes) {
            return QByteArray::fromHex(bytes); // the spaces are skipped
        };
        const auto row = [](const char* name, const QByteArray& bytes, const QString& text) {
            QTest::newRow(name) << bytes << text;
        };
        row("UTF-16 LE mark", hex("fffe 3100 3a06"), QStringLiteral("1\u063a"));
        row("UTF-16 BE mark", hex("feff 0031 063a"), QStringLiteral("1\u063a"));
        row("UTF-32 LE mark, not UTF-16 LE with a NUL", hex("fffe0000 31000000 00f60100"),
            QStringLiteral("1😀"));
        row("UTF-32 BE mark", hex("0000feff 00000031 0001f600"), QStringLiteral("1😀"));
        row("UTF-16 surrogate pair", hex("fffe 3dd8 00de"), QStringLiteral("😀"));
        row("UTF-16 mark alone", hex("fffe"), QString());
        row("UTF-32 mark alone", hex("0000feff"), QString());
        row("only one of two UTF-16 marks removed", hex("feff feff 0031"),
            QStringLiteral("\ufeff1"));
        row("a U+FEFF inside UTF-32 stays", hex("0000feff 00000031 0000feff 00000032"),
            QStringLiteral("1\ufeff2"));
        row("UTF-8 mark: a malformed byte is U+FFFD, not Windows-1256", hex("efbbbf d8b3 ff"),
            QStringLiteral("س\ufffd"));
        // A bad unit in a marked file costs that unit only.
        row("UTF-16 lone high surrogate", hex("fffe 00d8 3100"), QStringLiteral("\ufffd1"));
        row("UTF-16 lone low surrogate", hex("fffe 3100 00dc 3200"), QStringLiteral("1\ufffd2"));
        row("UTF-16 high surrogate before a pair", hex("fffe 00d8 3dd8 00de"),
            QStringLiteral("\ufffd😀"));
        row("UTF-16 high surrogate at the end", hex("fffe 3100 00d8"), QStringLiteral("1\ufffd"));
        row("UTF-16 odd last byte", hex("feff 0031 00"), QStringLiteral("1\ufffd"));
        row("UTF-16 high surrogate and an odd byte at the end", hex("fffe 3100 00d8 32"),
            QStringLiteral("1\ufffd\ufffd"));
        row("UTF-32 surrogate code points are not a pair", hex("fffe0000 3dd80000 00de0000"),
            QStringLiteral("\ufffd\ufffd"));
        row("UTF-32 past U+10FFFF", hex("0000feff 00110000 00000031"), QStringLiteral("\ufffd1"));
        row("UTF-32 cut at the end", hex("fffe0000 31000000 3200"), QStringLiteral("1\ufffd"));
        // UTF-16 without a mark: eight ASCII units, a digit among them, 16 bytes
        // at least. "1\n00:00:" is how an SRT file starts.
        row("UTF-16 LE without mark", hex("3100 0a00 3000 3000 3a00 3000 3000 3a00 3a06"),
            QStringLiteral("1\n00:00:\u063a"));
        row("UTF-16 BE without mark", hex("0031 000a 0030 0030 003a 0030 0030 003a 063a"),
            QStringLiteral("1\n00:00:\u063a"));
        row("UTF-16 without mark, odd length", hex("3100 0a00 3000 3000 3a00 3000 3000 3a00 32"),
            QStringLiteral("1\n00:00:\ufffd"));
        row("UTF-16 without mark, lone surrogate",
            hex("3100 0a00 3000 3000 3a00 3000 3000 3a00 00dc"), QStringLiteral("1\n00:00:\ufffd"));
        // Near misses stay with the 8-bit chain: ASCII, NUL bytes and all.
        for (const auto& [name, bytes] : {
                 std::pair{"seven ASCII units are too few", "3100 0a00 3000 3000 3a00 3000 3000"},
                 std::pair{"eight ASCII units without a digit",
                           "4e00 6f00 7400 6500 3a00 2000 7800 7900"},
                 std::pair{"a non-ASCII unit among the first eight",
                           "3100 0a00 3000 3000 3a00 3306 3000 3a00"},
                 std::pair{"a NUL unit among the first eight",
                           "3100 0a00 3000 0000 3a00 3000 3000 3a00"},
                 std::pair{"UTF-32 without mark is not sniffed",
                           "31000000 0a000000 30000000 30000000"},
             }) {
            row(name, hex(bytes), QString::fromLatin1(hex(bytes)));
        }
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(velmo::DecodeSubtitleData(bytes), text);
        QCOMPARE(velmo::DecodeSubtitleData(bytes), velmo::reference::decodeSubtitleData(bytes));
    }

    // glibc's CP1256 defines every byte, so no file gets past it to Latin-1;
    // and its table is ICU's.
    void everyNonUtf8ByteIsWindows1256() {
        QStringDecoder icu("windows-1256", QStringDecoder::Flag::Stateless);
        QVERIFY(icu.isValid());
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const QByteArray bytes(1, char(byte));
            QCOMPARE(velmo::DecodeSubtitleData(bytes), icu.decode(bytes));
        }
    }

    // The Latin-1 step, reached with a code page that leaves bytes undefined
    // or with one that does not exist.
    void latin1WhenCodePageFails_data() {
        QTest::addColumn<QByteArray>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("defined bytes use the code page")
            << QByteArray("ISO-8859-6") << QByteArray("\xd3\xe4\xc7\xe5") << QStringLiteral("سلام");
        QTest::newRow("an undefined byte gives Latin-1")
            << QByteArray("ISO-8859-6") << QByteArray("\xd3\xe4\xc7\xe5\xa1")
            << QStringLiteral("ÓäÇå¡");
        QTest::newRow("no such code page")
            << QByteArray("NO-SUCH-CODE-PAGE") << QByteArray("caf\xe9") << QStringLiteral("café");
        QTest::newRow("UTF-8 comes first")
            << QByteArray("ISO-8859-6") << QByteArray("\xef\xbb\xbf\xc3\xa9")
            << QStringLiteral("é");
    }
    void latin1WhenCodePageFails() {
        QFETCH(QByteArray, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(velmo::detail::decodeSubtitleData(bytes, codePage.constData()), text);
    }

    void golden_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("lineEnds");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<bool>("mark");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* input, const char* lineEnds,
                            const char* encoding, bool mark, const char* expected) {
            QTest::newRow(name) << QString::fromLatin1(input) << QString::fromLatin1(lineEnds)
                                << QByteArray(encoding) << mark << QString::fromLatin1(expected);
        };
        row("standard", "standard.srt", "\n", "", false, "standard.cues");
        row("standard, CR LF", "standard.srt", "\r\n", "", false, "standard.cues");
        row("standard, CR", "standard.srt", "\r", "", false, "standard.cues");
        row("standard, byte-order mark", "standard.srt", "\n", "UTF-8", true, "standard.cues");
        row("standard, CR LF and mark", "standard.srt", "\r\n", "UTF-8", true, "standard.cues");
        row("Persian, UTF-8", "persian-utf8.srt", "\n", "", false, "persian.cues");
        row("Persian, Windows-1256", "persian-cp1256.srt", "\n", "", false, "persian.cues");
        row("Persian, Windows-1256, CR LF", "persian-cp1256.srt", "\r\n", "", false,
            "persian.cues");
        row("timing forms", "timing-forms.srt", "\n", "", false, "timing-forms.cues");
        row("markup and escapes", "markup.srt", "\n", "", false, "markup.cues");
        row("block structure", "structure.srt", "\n", "", false, "structure.cues");
        row("order and overlap", "order.srt", "\n", "", false, "order.cues");
        // Files iconv wrote.
        row("UTF-16 with mark", "utf16-bom.srt", "\n", "", false, "standard.cues");
        row("UTF-16 big-endian without mark", "utf16be.srt", "\n", "", false, "standard.cues");
        // One text with U+200C and characters outside the BMP in every Unicode form.
        row("Unicode, UTF-8", "unicode.srt", "\n", "", false, "unicode.cues");
        row("Unicode, UTF-8 with mark", "unicode.srt", "\n", "UTF-8", true, "unicode.cues");
        row("Unicode, UTF-16 LE with mark", "unicode.srt", "\n", "UTF-16LE", true, "unicode.cues");
        row("Unicode, UTF-16 LE with mark, CR LF", "unicode.srt", "\r\n", "UTF-16LE", true,
            "unicode.cues");
        row("Unicode, UTF-16 BE with mark", "unicode.srt", "\n", "UTF-16BE", true, "unicode.cues");
        row("Unicode, UTF-32 LE with mark", "unicode.srt", "\n", "UTF-32LE", true, "unicode.cues");
        row("Unicode, UTF-32 BE with mark", "unicode.srt", "\r\n", "UTF-32BE", true,
            "unicode.cues");
        row("Unicode, UTF-16 LE without mark", "unicode.srt", "\n", "UTF-16LE", false,
            "unicode.cues");
        row("Unicode, UTF-16 LE without mark, CR LF", "unicode.srt", "\r\n", "UTF-16LE", false,
            "unicode.cues");
        row("Unicode, UTF-16 BE without mark", "unicode.srt", "\n", "UTF-16BE", false,
            "unicode.cues");
        // Only UTF-16 is recognised without a mark.
        row("Unicode, UTF-32 LE without mark", "unicode.srt", "\n", "UTF-32LE", false,
            "no-cues.cues");
    }
    void golden() {
        QFETCH(QString, input);
        QFETCH(QString, lineEnds);
        QFETCH(QByteArray, encoding);
        QFETCH(bool, mark);
        QFETCH(QString, expected);
        QByteArray bytes = readFixture(input);
        bytes.replace("\n", lineEnds.toLatin1());
        if (!encoding.isEmpty()) {
            // Qt's encoder, not the iconv the player decodes with.
            QStringEncoder encoder(encoding.constData());
            QVERIFY(encoder.isValid());
            bytes = encoder(QString::fromUtf8(bytes));
            if (mark)
                bytes.prepend(encoder(QStringView(u"\ufeff")));
        }
        const QString text = velmo::DecodeSubtitleData(bytes);
        const QList<SubtitleCue> cues = velmo::ParseSubtitle(text);
        QCOMPARE(describe(cues), QString::fromUtf8(readFixture(expected)));
        QCOMPARE(text, velmo::reference::decodeSubtitleData(bytes));
        QCOMPARE(describe(cues), describe(velmo::reference::parseSubtitle(text)));
    }
};

VELMO_TEST_MAIN(TestSrt)
#include "test_srt.moc"
