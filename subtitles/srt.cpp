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
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
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
Q_NEVER_INLINE CodePoint codePointAt(QStringView s, qsizetype i) {
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode()))
        return {QChar::surrogateToUcs4(c, s[i + 1].unicode()), 2};
    return {c, 1};
}

Q_NEVER_INLINE CodePoint codePointBefore(QStringView s, qsizetype i) {
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

// The number of digits (code points) from `end` onwards, counting at most
// `limit`; `end` is moved past them. Time stamps are nearly always ASCII.
Q_ALWAYS_INLINE qsizetype digitsForward(QStringView s, qsizetype& end, qsizetype limit) {
    qsizetype count = 0;
    while (count < limit && end < s.size()) {
        const char16_t c = s[end].unicode();
        if (c < 0x80) {
            if (c < '0' || c > '9')
                break;
            ++end;
        } else {
            const CodePoint cp = codePointAt(s, end);
            if (!isDigit(cp.value))
                break;
            end += cp.units;
        }
        ++count;
    }
    return count;
}

Q_ALWAYS_INLINE qsizetype digitsBackward(QStringView s, qsizetype& start, qsizetype limit) {
    qsizetype count = 0;
    while (count < limit && start > 0) {
        const char16_t c = s[start - 1].unicode();
        if (c < 0x80) {
            if (c < '0' || c > '9')
                break;
            --start;
        } else {
            const CodePoint cp = codePointBefore(s, start);
            if (!isDigit(cp.value))
                break;
            start -= cp.units;
        }
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

// The first match whose arrow is at or after `from`.
std::optional<Timing> findTiming(QStringView block, qsizetype from) {
    // Looking for '-' alone and checking the next two is several times faster
    // than a search for the three-character string.
    for (qsizetype dash = block.indexOf(u'-', from); dash >= 0;
         dash = block.indexOf(u'-', dash + 1)) {
        if (dash + 2 < block.size() && block[dash + 1] == u'-' && block[dash + 2] == u'>') {
            if (auto timing = timingAt(block, dash))
                return timing;
        }
    }
    return std::nullopt;
}

// ---- time stamps -------------------------------------------------------------

// The leading "digits[.digits]" of a part, each digit by its value; 0 when the
// part does not begin with a digit. Any number of digits of any script.
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
    const std::from_chars_result result =
        std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: too small when only zeros stand
        // before the point, else too large.
        const char* point = std::find(ascii.cbegin(), ascii.cend(), '.');
        const bool tiny = std::all_of(ascii.cbegin(), point, [](char c) { return c == '0'; });
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return value;
}

double parseTimeByParts(QStringView stamp) {
    double value = 0;
    qsizetype from = 0;
    for (;;) {
        qsizetype partEnd = from;
        while (partEnd < stamp.size() && stamp[partEnd] != u':')
            ++partEnd;
        value = value * 60 + leadingNumber(stamp.sliced(from, partEnd - from));
        if (partEnd == stamp.size())
            return value;
        from = partEnd + 1;
    }
}

// One pass for the usual stamp: ASCII only, at most 15 digits in a part. Such
// a part is exact as an integer, and one division by an exact power of ten
// rounds it as from_chars would, so both ways give the same double.
double parseTime(QStringView stamp) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    double value = 0;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool fraction = false;
    bool numberEnded = false;
    for (const QChar qc : stamp) {
        const char16_t c = qc.unicode();
        if (c == ':') {
            value = value * 60 + double(mantissa) / kPowersOfTen[fractionDigits];
            mantissa = 0;
            digits = fractionDigits = 0;
            fraction = numberEnded = false;
        } else if (c >= 0x80 || digits > 15) {
            return parseTimeByParts(stamp);
        } else if (numberEnded) {
            continue;
        } else if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + (c - '0');
            ++digits;
            fractionDigits += fraction;
        } else if (digits > 0 && !fraction && (c == '.' || c == ',')) {
            fraction = true;
        } else {
            numberEnded = true;
        }
    }
    if (digits > 15)
        return parseTimeByParts(stamp);
    return value * 60 + double(mantissa) / kPowersOfTen[fractionDigits];
}

// The seconds of a stamp the scan found, which has the pattern's form: with
// ASCII digits the three parts are read directly. h * 60 + m and its product
// with 60 are exact, so the result is parseTime's to the last bit.
double stampSeconds(QStringView stamp) {
    static constexpr double kPowersOfTen[] = {1, 10, 100, 1000};
    std::uint32_t parts[3] = {};
    int part = 0;
    std::uint32_t fraction = 0;
    int fractionDigits = -1;
    for (const QChar qc : stamp) {
        const char16_t c = qc.unicode();
        const std::uint32_t digit = c - u'0';
        if (digit < 10) {
            if (fractionDigits < 0) {
                parts[part] = parts[part] * 10 + digit;
            } else {
                fraction = fraction * 10 + digit;
                ++fractionDigits;
            }
        } else if (c == u':') {
            ++part;
        } else if (c == u'.' || c == u',') {
            fractionDigits = 0;
        } else {
            return parseTime(stamp); // digits of another script
        }
    }
    const double scale = kPowersOfTen[std::max(fractionDigits, 0)];
    return double(parts[0] * 60 + parts[1]) * 60 + double(parts[2] * scale + fraction) / scale;
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

// `rest` is trimmed; `plain` says it holds no CR, backslash, '<' or '{'.
QString cueText(QStringView rest, bool plain) {
    if (plain)
        return rest.toString();
    // Copy with CR LF and CR turned into LF (the block was not normalised).
    QString text(rest.size(), Qt::Uninitialized);
    QChar* to = text.data();
    qsizetype written = 0;
    bool escapes = false;
    bool markup = false;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        QChar c = rest[i];
        if (c == u'\r') {
            c = u'\n';
            if (i + 1 < rest.size() && rest[i + 1] == u'\n')
                ++i;
        }
        escapes |= c == u'\\';
        markup |= c == u'<' || c == u'{';
        to[written++] = c;
    }
    text.truncate(written);
    if (escapes) {
        text.replace(QLatin1String("\\N"), QLatin1String("\n"));
        text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    }
    if (markup)
        removeMarkup(text);
    return std::move(text).trimmed();
}

// One block of the text as if CR LF and CR had been made LF first: it ends at
// the first pair of line breaks, each "\r\n", "\r" or "\n". The same pass
// notes the first "-->" and whether anything needs more than a copy.
struct Block {
    qsizetype end;  // where the pair of breaks starts, or the text's end
    qsizetype next; // after the pair
    qsizetype arrow = -1;
    bool plain = true;
};

Block scanBlock(const QChar* text, qsizetype size, qsizetype from) {
    // 1: line break, 2: '-', 3: needs care in the text.
    static constexpr auto kinds = [] {
        std::array<unsigned char, 128> k{};
        k['\n'] = k['\r'] = 1;
        k['-'] = 2;
        k['\\'] = k['<'] = k['{'] = 3;
        return k;
    }();
    Block block{size, size};
    const auto breakLength = [&](qsizetype at) -> qsizetype {
        if (at >= size)
            return 0;
        const char16_t c = text[at].unicode();
        if (c == '\n')
            return 1;
        if (c == '\r')
            return at + 1 < size && text[at + 1] == u'\n' ? 2 : 1;
        return 0;
    };
    for (qsizetype i = from; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80 || kinds[c] == 0)
            continue;
        switch (kinds[c]) {
        case 1: {
            const qsizetype first = breakLength(i);
            const qsizetype second = breakLength(i + first);
            if (second > 0) {
                block.end = i;
                block.next = i + first + second;
                return block;
            }
            block.plain &= c != '\r';
            i += first - 1;
            break;
        }
        case 2:
            if (block.arrow < 0 && i + 2 < size && text[i + 1] == u'-' && text[i + 2] == u'>')
                block.arrow = i;
            break;
        default:
            block.plain = false;
        }
    }
    return block;
}

void addCue(QStringView block, qsizetype arrow, bool plain, QList<SubtitleCue>& cues) {
    std::optional<Timing> timing = timingAt(block, arrow);
    if (!timing)
        timing = findTiming(block, arrow + 1);
    if (!timing || timing->matchEnd == block.size())
        return;
    QString text = cueText(block.sliced(timing->matchEnd).trimmed(), plain);
    if (text.isEmpty())
        return;
    cues.append(
        SubtitleCue{stampSeconds(timing->start), stampSeconds(timing->end), std::move(text)});
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
    const QChar* const text = input.constData();
    const qsizetype size = input.size();
    for (qsizetype from = 0; from < size;) {
        const Block block = scanBlock(text, size, from);
        if (block.arrow >= 0) {
            // Trimming takes only white space, so the arrow stays inside.
            const QStringView trimmed = QStringView(text + from, block.end - from).trimmed();
            addCue(trimmed, block.arrow - (trimmed.data() - text), block.plain, cues);
        }
        from = block.next;
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
