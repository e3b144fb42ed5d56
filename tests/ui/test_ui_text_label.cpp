// labelLines: how a label's text breaks into lines and where it is cut. Checked
// by what must hold whatever the font: the line count, every line within the
// width, the ellipsis exactly when text is left out, the text kept in order.

#include "ui/text_label.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTest>

using namespace velmo;

namespace {
const QChar kEllipsis(0x2026);

// The letters of the text in order, without the ellipsis and any white space
// (a line may break inside a word too long for it), nor the joiner that keeps a
// Persian letter cut by the ellipsis in its joining form.
QString letters(QString text) {
    text.remove(kEllipsis);
    text.remove(QChar(0x200D));
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}
} // namespace

class TextLabelTest : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
};

void TextLabelTest::lines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("widthInEms"); // of the font's "M"
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<int>("expectedLines");
    QTest::addColumn<bool>("cut");
    const QString many = QString("word ").repeated(40).trimmed();
    const QString persian = QStringLiteral("پخش این فایل ممکن نشد. ").repeated(12).trimmed();
    QTest::newRow("empty") << QString() << 10.0 << 2 << 0 << false;
    QTest::newRow("fits") << "00:00" << 10.0 << 2 << 1 << false;
    QTest::newRow("wraps within the limit") << "one two three four" << 6.0 << 4 << 2 << false;
    QTest::newRow("cut at the limit") << many << 10.0 << 2 << 2 << true;
    QTest::newRow("one line") << many << 10.0 << 1 << 1 << true;
    QTest::newRow("four lines") << many << 10.0 << 4 << 4 << true;
    QTest::newRow("persian, four lines") << persian << 12.0 << 4 << 4 << true;
    QTest::newRow("line break kept") << "first\nsecond" << 20.0 << 2 << 2 << false;
    QTest::newRow("line break past the limit") << "first\nsecond" << 20.0 << 1 << 1 << true;
    QTest::newRow("word longer than a line")
        << QString("x").repeated(200) << 10.0 << 2 << 2 << true;
}

void TextLabelTest::lines() {
    QFETCH(QString, text);
    QFETCH(double, widthInEms);
    QFETCH(int, maxLines);
    QFETCH(int, expectedLines);
    QFETCH(bool, cut);
    QFont font = QApplication::font();
    font.setPointSizeF(12);
    const QFontMetricsF metrics(font);
    const double width = widthInEms * metrics.horizontalAdvance(QLatin1Char('M'));

    const QStringList lines = labelLines(text, font, width, maxLines);
    QCOMPARE(lines.size(), expectedLines);
    for (const QString& line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) <= width + 0.5, qPrintable(line));
    const bool ellipsis = !lines.isEmpty() && lines.last().endsWith(kEllipsis);
    QCOMPARE(ellipsis, cut);
    const QString shown = letters(lines.join(QString()));
    if (!cut) {
        QCOMPARE(shown, letters(text));
    } else {
        // The beginning is kept; what was cut is the tail.
        QVERIFY2(letters(text).startsWith(shown), qPrintable(shown));
        QVERIFY(shown.size() < letters(text).size());
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TextLabelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ui_text_label.moc"
