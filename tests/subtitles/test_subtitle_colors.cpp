// The colour text of the subtitle settings, read and written.

#include "subtitles/colors.h"
#include "support/test_main.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QColor kFallback(1, 2, 3);

} // namespace

class TestSubtitleColors : public QObject {
    Q_OBJECT

private slots:
    void hexColor_data() {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QColor>("colour");

        const auto text = [](const char* s) {
            return QJsonValue(QString::fromUtf8(s));
        };
        QTest::newRow("#rrggbb") << text("#1a2b3c") << QColor(0x1a, 0x2b, 0x3c);
        QTest::newRow("upper case") << text("#FF8000") << QColor(255, 128, 0);
        QTest::newRow("#F00") << text("#F00") << QColor(255, 0, 0);
        QTest::newRow("f00 without #") << text("f00") << QColor(255, 0, 0);
        QTest::newRow("three digits doubled") << text("f0a") << QColor(255, 0, 0xaa);
        QTest::newRow("##ff0000") << text("##ff0000") << QColor(255, 0, 0);
        QTest::newRow("# anywhere") << text("ff#00#00#") << QColor(255, 0, 0);
        QTest::newRow("alpha is refused") << text("#ff000080") << kFallback;
        QTest::newRow("#zzzzzz") << text("#zzzzzz") << kFallback;
        QTest::newRow("12zzzz: reading stops at z") << text("12zzzz") << QColor(0, 0, 0x12);
        QTest::newRow("1z3: doubled, then read up to z") << text("1z3") << QColor(0, 0, 0x11);
        QTest::newRow("  0x12: white space and 0x") << text("  0x12") << QColor(0, 0, 0x12);
        QTest::newRow("0X1234") << text("0X1234") << QColor(0, 0x12, 0x34);
        QTest::newRow("tab, 0x0ff") << text("\t0x0ff") << QColor(0, 0, 0xff);
        QTest::newRow("0x without digits reads the 0") << text("0xzzzz") << QColor(0, 0, 0);
        QTest::newRow(" 0x12 is five characters") << text(" 0x12") << kFallback;
        QTest::newRow("white space only") << text("      ") << kFallback;
        QTest::newRow("no sign") << text("-00001") << kFallback;
        QTest::newRow("no plus sign") << text("+12345") << kFallback;
        QTest::newRow("non-ASCII white space is not skipped") << text("\u00a012345") << kFallback;
        QTest::newRow("two characters") << text("#ff") << kFallback;
        QTest::newRow("empty") << text("") << kFallback;
        QTest::newRow("only #") << text("###") << kFallback;
        QTest::newRow("number") << QJsonValue(0xff0000) << kFallback;
        QTest::newRow("bool") << QJsonValue(true) << kFallback;
        QTest::newRow("null") << QJsonValue() << kFallback;
        QTest::newRow("array") << QJsonValue(QJsonArray{QStringLiteral("#ff0000")}) << kFallback;
        QTest::newRow("object") << QJsonValue(QJsonObject{}) << kFallback;
    }
    void hexColor() {
        QFETCH(QJsonValue, value);
        QFETCH(QColor, colour);
        const QColor result = velmo::HexColor(value, kFallback);
        QCOMPARE(result, colour);
        QCOMPARE(result.alpha(), 255);
    }

    void hexFromColor_data() {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("text");
        QTest::newRow("red") << QColor(Qt::red) << QStringLiteral("#ff0000");
        QTest::newRow("grey 0.5 rounds up")
            << QColor::fromRgbF(0.5f, 0.5f, 0.5f) << QStringLiteral("#808080");
        QTest::newRow("lower case") << QColor(0xab, 0xcd, 0xef) << QStringLiteral("#abcdef");
        QTest::newRow("alpha dropped") << QColor(1, 2, 3, 4) << QStringLiteral("#010203");
        QTest::newRow("HSV converted")
            << QColor::fromHsv(120, 255, 255) << QStringLiteral("#00ff00");
        QTest::newRow("CMYK converted")
            << QColor::fromCmyk(0, 255, 255, 0) << QStringLiteral("#ff0000");
        QTest::newRow("extended range clamped")
            << QColor::fromRgbF(1.5f, -0.25f, 0.2f) << QStringLiteral("#ff0033");
        QTest::newRow("invalid colour") << QColor() << QStringLiteral("#000000");
    }
    void hexFromColor() {
        QFETCH(QColor, colour);
        QFETCH(QString, text);
        QCOMPARE(velmo::HexFromColor(colour), text);
    }

    // Every colour HexFromColor writes reads back as itself.
    void roundTrip() {
        for (int v = 0; v < 0x1000000; v += 0x010101 / 7 + 13) {
            const QColor colour((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
            QCOMPARE(velmo::HexColor(velmo::HexFromColor(colour), kFallback), colour);
        }
    }
};

VELMO_TEST_MAIN(TestSubtitleColors)
#include "test_subtitle_colors.moc"
