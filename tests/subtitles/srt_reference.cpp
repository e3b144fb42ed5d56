#include "srt_reference.h"

#include <QByteArrayView>
#include <QChar>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace velmo::reference {

namespace {

// Code unit `i` of `size` bytes in the given byte order.
char32_t unitAt(QByteArrayView data, qsizetype i, int size, bool bigEndian) {
    char32_t unit = 0;
    for (int b = 0; b < size; ++b) {
        const auto byte =
            static_cast<unsigned char>(data[i * size + (bigEndian ? b : size - 1 - b)]);
        unit = unit << 8 | byte;
    }
    return unit;
}

// A high surrogate followed by a low one is one code point; every other
// surrogate, and a last odd byte, is U+FFFD.
QString fromUtf16(QByteArrayView data, bool bigEndian) {
    QString text;
    const qsizetype units = data.size() / 2;
    for (qsizetype i = 0; i < units; ++i) {
        const char32_t unit = unitAt(data, i, 2, bigEndian);
        if (QChar::isHighSurrogate(unit) && i + 1 < units &&
            QChar::isLowSurrogate(unitAt(data, i + 1, 2, bigEndian))) {
            text += QChar(char16_t(unit));
            text += QChar(char16_t(unitAt(data, ++i, 2, bigEndian)));
        } else if (QChar::isSurrogate(unit)) {
            text += QChar::ReplacementCharacter;
        } else {
            text += QChar(char16_t(unit));
        }
    }
    if (data.size() % 2)
        text += QChar::ReplacementCharacter;
    return text;
}

// A unit past U+10FFFF or in the surrogate range, and 1 to 3 bytes left at the
// end, are U+FFFD.
QString fromUtf32(QByteArrayView data, bool bigEndian) {
    QString text;
    for (qsizetype i = 0; i < data.size() / 4; ++i) {
        const char32_t unit = unitAt(data, i, 4, bigEndian);
        // Not QString::fromUcs4, which drops a U+FEFF as if it began a file.
        if (unit > 0x10FFFF || QChar::isSurrogate(unit)) {
            text += QChar::ReplacementCharacter;
        } else if (QChar::requiresSurrogates(unit)) {
            text += QChar(QChar::highSurrogate(unit));
            text += QChar(QChar::lowSurrogate(unit));
        } else {
            text += QChar(char16_t(unit));
        }
    }
    if (data.size() % 4)
        text += QChar::ReplacementCharacter;
    return text;
}

// UTF-16 without a mark: 16 bytes or more, the first eight units U+0001 to
// U+007F in this byte order, one of them a digit.
bool looksLikeUtf16(QByteArrayView data, bool bigEndian) {
    if (data.size() < 16)
        return false;
    bool digit = false;
    for (qsizetype i = 0; i < 8; ++i) {
        const char32_t unit = unitAt(data, i, 2, bigEndian);
        if (unit == 0 || unit > 0x7F)
            return false;
        digit = digit || (unit >= U'0' && unit <= U'9');
    }
    return digit;
}

} // namespace

QString decodeSubtitleData(const QByteArray& data) {
    const QByteArrayView bytes(data);
    if (bytes.startsWith(QByteArrayView("\xff\xfe\0\0", 4)))
        return fromUtf32(bytes.sliced(4), false);
    if (bytes.startsWith(QByteArrayView("\0\0\xfe\xff", 4)))
        return fromUtf32(bytes.sliced(4), true);
    if (bytes.startsWith("\xef\xbb\xbf")) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
        return utf8(bytes.sliced(3));
    }
    if (bytes.startsWith("\xff\xfe"))
        return fromUtf16(bytes.sliced(2), false);
    if (bytes.startsWith("\xfe\xff"))
        return fromUtf16(bytes.sliced(2), true);
    for (const bool bigEndian : {false, true}) {
        if (looksLikeUtf16(bytes, bigEndian))
            return fromUtf16(bytes, bigEndian);
    }

    QString text;
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    text = utf8(data);
    if (utf8.hasError()) {
        // ICU's table, not glibc's: a second opinion on the code page.
        QStringDecoder windows1256("windows-1256", QStringDecoder::Flag::Stateless);
        text = windows1256(data);
        if (!windows1256.isValid() || windows1256.hasError())
            text = QString::fromLatin1(data);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

double parseSubtitleTime(const QString& stamp) {
    static const QRegularExpression number(QStringLiteral("^\\d+(?:\\.\\d+)?"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    QString text = stamp;
    text.replace(u',', u'.');
    double value = 0;
    for (const QString& part : text.split(u':')) {
        const QRegularExpressionMatch match = number.match(part);
        double partValue = 0;
        if (match.hasMatch()) {
            QString ascii;
            for (const char32_t c : match.captured(0).toUcs4())
                ascii += c == U'.' ? QChar(u'.') : QChar(u'0' + QChar::digitValue(c));
            partValue = ascii.toDouble();
        }
        value = value * 60 + partValue;
    }
    return value;
}

QList<SubtitleCue> parseSubtitle(const QString& input) {
    static const QRegularExpression timing(
        QStringLiteral("(\\d{1,3}:\\d{1,2}:\\d{1,2}(?:[.,]\\d{1,3})?)\\s*-->\\s*"
                       "(\\d{1,3}:\\d{1,2}:\\d{1,2}(?:[.,]\\d{1,3})?)"),
        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression markup(QStringLiteral("<[^>]*>|\\{[^}]*\\}"));
    QList<SubtitleCue> cues;
    if (input.isEmpty())
        return cues;
    QString text = input;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    for (QString block : text.split(QStringLiteral("\n\n"))) {
        block = block.trimmed();
        if (block.isEmpty())
            continue;
        const QRegularExpressionMatch match = timing.match(block);
        if (!match.hasMatch() || match.capturedEnd() == block.size())
            continue;
        QString cueText = block.mid(match.capturedEnd());
        cueText.replace(QStringLiteral("\\N"), QStringLiteral("\n"));
        cueText.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        cueText.remove(markup);
        cueText = cueText.trimmed();
        if (cueText.isEmpty())
            continue;
        cues.append(SubtitleCue{parseSubtitleTime(match.captured(1)),
                                parseSubtitleTime(match.captured(2)), cueText});
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const SubtitleCue& a, const SubtitleCue& b) { return a.start < b.start; });
    return cues;
}

namespace {

bool isVisible(char32_t c) {
    if (c == U' ')
        return true;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

QString number(double seconds) {
    return QString::number(seconds, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString describe(const QList<SubtitleCue>& cues) {
    QString out;
    for (const SubtitleCue& cue : cues) {
        if (!out.isEmpty())
            out += u'\n';
        out += number(cue.start) + QStringLiteral(" --> ") + number(cue.end) + u'\n';
        for (const QString& line : cue.text.split(u'\n')) {
            out += QStringLiteral("| ");
            for (const char32_t c : line.toUcs4()) {
                if (isVisible(c))
                    out += QString::fromUcs4(&c, 1);
                else
                    out += QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QChar(u'0')).toUpper();
            }
            out += u'\n';
        }
    }
    return out;
}

} // namespace velmo::reference
