// SRT decoding and parsing.
//
// A block's timing is the first match of
//   (\d{1,3}:\d{1,2}:\d{1,2}(?:[.,]\d{1,3})?)\s*-->\s*(\d{1,3}:\d{1,2}:\d{1,2}(?:[.,]\d{1,3})?)
// with Unicode \d (category Nd) and PCRE's Unicode \s. Running that pattern
// over 50 000 blocks costs more than all the rest of the parse, so the match is
// found by hand: the first stamp can only end right before the white space in
// front of an arrow, and no backtracking choice of the pattern changes where a
// match starts or ends (a seconds or fraction run longer than the pattern
// allows makes the first stamp fail; the second stamp just stops early). So the
// arrows are visited in order, the first stamp is read backwards from each and
// the second forwards, and the first arrow that has both gives the same match
// the pattern would. tests/subtitles/srt_reference.cpp runs the pattern itself;
// the unit tests and the fuzz target compare the two.

#include "subtitles/srt.h"

#include <QByteArrayView>
#include <QChar>
#include <QStringView>
#include <QSysInfo>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iconv.h>
#include <optional>

namespace velmo {
namespace {

// ---- decoding --------------------------------------------------------------

std::optional<QString> decodeUtf8(const QByteArray& data) {
    // Qt's decoder drops a leading byte-order mark by itself, and only one: the
    // marks are counted and skipped here so that exactly one is removed however
    // many there are. Qt puts U+FFFD for every malformed sequence; since a file
    // may also hold that character itself, its presence only sends the bytes to
    // the strict check.
    static constexpr QByteArrayView bom("\xEF\xBB\xBF", 3);
    QByteArrayView rest(data);
    qsizetype marks = 0;
    while (rest.startsWith(bom)) {
        rest = rest.sliced(3);
        ++marks;
    }
    QString text = QString::fromUtf8(rest);
    if (text.contains(QChar::ReplacementCharacter) && !rest.isValidUtf8())
        return std::nullopt;
    if (marks > 1)
        text.prepend(QString(marks - 1, QChar(0xFEFF)));
    return text;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (isOpen())
            iconv_close(cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool isOpen() const { return cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return cd; }

private:
    iconv_t cd;
};

// Fails when the converter is missing, a byte is undefined in the code page or
// the data ends inside a character.
std::optional<QString> decodeLegacy(const QByteArray& data, const char* codePage) {
    const char* utf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    const Iconv converter(utf16, codePage);
    if (!converter.isOpen())
        return std::nullopt;
    if (data.isEmpty())
        return QString();
    // A single-byte code page gives one UTF-16 unit per byte; others may need
    // more room, which the loop adds.
    QString out(data.size(), Qt::Uninitialized);
    char* in = const_cast<char*>(data.constData());
    size_t inLeft = static_cast<size_t>(data.size());
    qsizetype written = 0;
    for (;;) {
        char* const base = reinterpret_cast<char*>(out.data());
        char* outAt = base + written * 2;
        size_t outLeft = static_cast<size_t>(out.size() - written) * 2;
        const size_t result = iconv(converter.handle(), &in, &inLeft, &outAt, &outLeft);
        written = (outAt - base) / 2;
        if (result != static_cast<size_t>(-1))
            break;
        if (errno != E2BIG)
            return std::nullopt;
        out.resize(out.size() * 2);
    }
    out.truncate(written);
    return out;
}

// ---- the timing pattern's character classes ---------------------------------

struct CodePoint {
    char32_t value;
    qsizetype units;
};

// A lone surrogate stands for itself: neither digit nor white space.
CodePoint codePointAt(QStringView s, qsizetype i) {
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode()))
        return {QChar::surrogateToUcs4(c, s[i + 1].unicode()), 2};
    return {c, 1};
}

CodePoint codePointBefore(QStringView s, qsizetype i) {
    const char16_t c = s[i - 1].unicode();
    if (QChar::isLowSurrogate(c) && i >= 2 && QChar::isHighSurrogate(s[i - 2].unicode()))
        return {QChar::surrogateToUcs4(s[i - 2].unicode(), c), 2};
    return {c, 1};
}

bool isDigit(char32_t c) {
    if (c < 0x80)
        return c >= '0' && c <= '9';
    return QChar::category(c) == QChar::Number_DecimalDigit;
}

// PCRE's Unicode \s: the trim set (QChar::isSpace) plus U+180E, which PCRE
// still lists as horizontal space although Unicode moved it out of Zs.
bool isPatternSpace(char32_t c) {
    if (c < 0x80)
        return c == ' ' || (c >= 0x09 && c <= 0x0D);
    return c == 0x180E || QChar::isSpace(c);
}

// The number of digits (code points) from i onwards, counting at most `limit`;
// `end` is moved past them.
qsizetype digitsForward(QStringView s, qsizetype& end, qsizetype limit) {
    qsizetype count = 0;
    while (count < limit && end < s.size()) {
        const CodePoint cp = codePointAt(s, end);
        if (!isDigit(cp.value))
            break;
        end += cp.units;
        ++count;
    }
    return count;
}

qsizetype digitsBackward(QStringView s, qsizetype& start, qsizetype limit) {
    qsizetype count = 0;
    while (count < limit && start > 0) {
        const CodePoint cp = codePointBefore(s, start);
        if (!isDigit(cp.value))
            break;
        start -= cp.units;
        ++count;
    }
    return count;
}

bool isFractionMark(QChar c) {
    return c == u'.' || c == u',';
}

struct Timing {
    QStringView start;
    QStringView end;
    qsizetype matchEnd;
};

// The match that uses the arrow at `arrow`, if there is one.
std::optional<Timing> timingAt(QStringView block, qsizetype arrow) {
    // First stamp, backwards from the white space before the arrow. Seconds and
    // fraction must be whole runs: a longer run leaves a digit between the
    // stamp and the arrow, which no backtracking can get rid of.
    qsizetype stampEnd = arrow;
    while (stampEnd > 0) {
        const CodePoint cp = codePointBefore(block, stampEnd);
        if (!isPatternSpace(cp.value))
            break;
        stampEnd -= cp.units;
    }
    qsizetype at = stampEnd;
    qsizetype run = digitsBackward(block, at, 4);
    if (run == 0 || at == 0)
        return std::nullopt;
    if (isFractionMark(block[at - 1])) {
        if (run > 3)
            return std::nullopt;
        --at;
        run = digitsBackward(block, at, 3);
        if (run == 0 || at == 0)
            return std::nullopt;
    }
    if (run > 2 || block[at - 1] != u':')
        return std::nullopt;
    --at;
    run = digitsBackward(block, at, 3);
    if (run == 0 || run > 2 || at == 0 || block[at - 1] != u':')
        return std::nullopt;
    --at;
    // Up to three hour digits: a longer run starts the match at its last three.
    if (digitsBackward(block, at, 3) == 0)
        return std::nullopt;
    const qsizetype firstStart = at;

    // Second stamp, forwards. It ends the pattern, so its seconds and fraction
    // take what they can and leave further digits to the text.
    at = arrow + 3;
    while (at < block.size()) {
        const CodePoint cp = codePointAt(block, at);
        if (!isPatternSpace(cp.value))
            break;
        at += cp.units;
    }
    const qsizetype secondStart = at;
    run = digitsForward(block, at, 4);
    if (run == 0 || run > 3 || at == block.size() || block[at] != u':')
        return std::nullopt;
    ++at;
    run = digitsForward(block, at, 3);
    if (run == 0 || run > 2 || at == block.size() || block[at] != u':')
        return std::nullopt;
    ++at;
    if (digitsForward(block, at, 2) == 0)
        return std::nullopt;
    if (at < block.size() && isFractionMark(block[at])) {
        qsizetype fractionEnd = at + 1;
        if (digitsForward(block, fractionEnd, 3) > 0)
            at = fractionEnd;
    }
    return Timing{block.sliced(firstStart, stampEnd - firstStart),
                  block.sliced(secondStart, at - secondStart), at};
}

std::optional<Timing> findTiming(QStringView block) {
    static constexpr QStringView arrowText(u"-->");
    for (qsizetype arrow = block.indexOf(arrowText); arrow >= 0;
         arrow = block.indexOf(arrowText, arrow + 1)) {
        if (auto timing = timingAt(block, arrow))
            return timing;
    }
    return std::nullopt;
}

// ---- time stamps -------------------------------------------------------------

// The leading "digits[.digits]" of a part, each digit by its value; 0 when the
// part does not begin with a digit.
double leadingNumber(QStringView part) {
    QVarLengthArray<char, 32> ascii;
    qsizetype at = 0;
    const auto readDigits = [&] {
        while (at < part.size()) {
            const CodePoint cp = codePointAt(part, at);
            if (!isDigit(cp.value))
                break;
            ascii.append(static_cast<char>(
                '0' + (cp.value < 0x80 ? int(cp.value - '0') : QChar::digitValue(cp.value))));
            at += cp.units;
        }
    };
    readDigits();
    if (ascii.isEmpty())
        return 0;
    if (at < part.size() && isFractionMark(part[at])) {
        const qsizetype integerDigits = ascii.size();
        ascii.append('.');
        ++at;
        readDigits();
        if (ascii.size() == integerDigits + 1)
            ascii.removeLast();
    }
    double value = 0;
    std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return value;
}

double parseTime(QStringView stamp) {
    double value = 0;
    qsizetype from = 0;
    for (;;) {
        qsizetype colon = stamp.indexOf(u':', from);
        const qsizetype partEnd = colon < 0 ? stamp.size() : colon;
        value = value * 60 + leadingNumber(stamp.sliced(from, partEnd - from));
        if (colon < 0)
            return value;
        from = colon + 1;
    }
}

// ---- cue text --------------------------------------------------------------

// Removes what "<[^>]*>|\{[^}]*\}" matches, left to right. Once a kind of
// bracket has no closing one after it, no later one has either.
void removeMarkup(QString& text) {
    bool angleMayClose = true;
    bool braceMayClose = true;
    QChar* const data = text.data();
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = data[i];
        qsizetype close = -1;
        if (c == u'<' && angleMayClose) {
            close = text.indexOf(u'>', i + 1);
            angleMayClose = close >= 0;
        } else if (c == u'{' && braceMayClose) {
            close = text.indexOf(u'}', i + 1);
            braceMayClose = close >= 0;
        }
        if (close >= 0) {
            i = close + 1;
            continue;
        }
        data[out++] = c; // out <= i: the part still to be searched is untouched
        ++i;
    }
    text.truncate(out);
}

QString cueText(QStringView rest) {
    const bool escapes = rest.contains(u'\\');
    const bool markup = rest.contains(u'<') || rest.contains(u'{');
    if (!escapes && !markup)
        return rest.trimmed().toString();
    QString text = rest.toString();
    if (escapes) {
        text.replace(QLatin1String("\\N"), QLatin1String("\n"));
        text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    }
    if (markup)
        removeMarkup(text);
    return text.trimmed();
}

QString withUnixLineEnds(const QString& text) {
    // One pass does what "\r\n" -> "\n" followed by "\r" -> "\n" does.
    QString out(text.size(), Qt::Uninitialized);
    const QChar* in = text.constData();
    QChar* to = out.data();
    const qsizetype size = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < size; ++i) {
        QChar c = in[i];
        if (c == u'\r') {
            c = u'\n';
            if (i + 1 < size && in[i + 1] == u'\n')
                ++i;
        }
        to[written++] = c;
    }
    out.truncate(written);
    return out;
}

void addCue(QStringView block, QList<SubtitleCue>& cues) {
    const std::optional<Timing> timing = findTiming(block);
    if (!timing || timing->matchEnd == block.size())
        return;
    QString text = cueText(block.sliced(timing->matchEnd));
    if (text.isEmpty())
        return;
    cues.append(SubtitleCue{parseTime(timing->start), parseTime(timing->end), std::move(text)});
}

} // namespace

namespace detail {

QString decodeSubtitleData(const QByteArray& data, const char* legacyCodePage) {
    if (std::optional<QString> text = decodeUtf8(data))
        return *std::move(text);
    std::optional<QString> text = decodeLegacy(data, legacyCodePage);
    if (!text)
        text = QString::fromLatin1(data);
    // Neither code page has a character that decodes to U+FEFF; kept so that
    // every step ends the same way.
    if (text->startsWith(QChar(0xFEFF)))
        text->remove(0, 1);
    return *std::move(text);
}

} // namespace detail

QString DecodeSubtitleData(const QByteArray& data) {
    return detail::decodeSubtitleData(data, "CP1256");
}

QList<SubtitleCue> ParseSubtitle(const QString& input) {
    QList<SubtitleCue> cues;
    if (input.isEmpty())
        return cues;
    QString unixText;
    QStringView text = input;
    if (input.contains(u'\r')) {
        unixText = withUnixLineEnds(input);
        text = unixText;
    }
    static constexpr QStringView blankLine(u"\n\n");
    for (qsizetype from = 0;;) {
        const qsizetype gap = text.indexOf(blankLine, from);
        const qsizetype blockEnd = gap < 0 ? text.size() : gap;
        const QStringView block = text.sliced(from, blockEnd - from).trimmed();
        if (!block.isEmpty())
            addCue(block, cues);
        if (gap < 0)
            break;
        from = gap + 2;
    }
    // Stable, so that cues of equal start keep their file order and the lookup,
    // which takes the last of them, shows the one written later.
    const auto byStart = [](const SubtitleCue& a, const SubtitleCue& b) {
        return a.start < b.start;
    };
    if (!std::is_sorted(cues.cbegin(), cues.cend(), byStart))
        std::stable_sort(cues.begin(), cues.end(), byStart);
    return cues;
}

double ParseSubtitleTime(const QString& stamp) {
    return parseTime(stamp);
}

} // namespace velmo
