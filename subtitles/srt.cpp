// SRT parsing.
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

#include <QChar>
#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmo {
namespace {

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

// "hh:mm:ss,fff" (or ".fff") in ASCII digits at `at`.
bool isClockStamp(QStringView s, qsizetype at) {
    const char16_t* const c = s.utf16() + at;
    if (c[2] != u':' || c[5] != u':' || (c[8] != u',' && c[8] != u'.'))
        return false;
    for (const int i : {0, 1, 3, 4, 6, 7, 9, 10, 11}) {
        if (c[i] < u'0' || c[i] > u'9')
            return false;
    }
    return true;
}

// The match that uses the arrow at `arrow`, if there is one.
std::optional<Timing> timingAt(QStringView block, qsizetype arrow) {
    // Nearly every file writes "hh:mm:ss,fff --> hh:mm:ss,fff". With one space
    // on each side and no digit before the first hour, the general reading
    // below comes to this same match.
    if (arrow >= 13 && arrow + 16 <= block.size() && block[arrow - 1] == u' ' &&
        block[arrow + 3] == u' ' && isClockStamp(block, arrow - 13) &&
        isClockStamp(block, arrow + 4) &&
        (arrow == 13 || !isDigit(codePointBefore(block, arrow - 13).value))) {
        return Timing{block.sliced(arrow - 13, 12), block.sliced(arrow + 4, 12), arrow + 16};
    }
    // First stamp, backwards from the white space before the arrow. Seconds and
    // fraction must be whole runs: a longer run leaves a digit between the
    // stamp and the arrow, which no backtracking can get rid of.
    qsizetype stampEnd = arrow;
    // No white space lies outside the BMP, and no surrogate is white space:
    // the spaces are stepped over by code unit.
    while (stampEnd > 0 && isPatternSpace(block[stampEnd - 1].unicode()))
        --stampEnd;
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
    while (at < block.size() && isPatternSpace(block[at].unicode()))
        ++at;
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
// ASCII digits its parts are read directly. h * 60 + m and its product with 60
// are exact, so the result is parseTime's to the last bit.
double stampSeconds(QStringView stamp) {
    static constexpr double kPowersOfTen[] = {1, 10, 100, 1000};
    const char16_t* const s = stamp.utf16();
    // The usual "hh:mm:ss,fff".
    if (stamp.size() == 12 && s[2] == u':' && s[5] == u':' && (s[8] == u',' || s[8] == u'.')) {
        const auto d = [s](int i) {
            return std::uint32_t(s[i]) - u'0';
        };
        if (std::max({d(0), d(1), d(3), d(4), d(6), d(7), d(9), d(10), d(11)}) < 10) {
            const std::uint32_t minutes = (d(0) * 10 + d(1)) * 60 + d(3) * 10 + d(4);
            const std::uint32_t thousandths =
                (d(6) * 10 + d(7)) * 1000 + d(9) * 100 + d(10) * 10 + d(11);
            return double(minutes) * 60 + double(thousandths) / 1000;
        }
    }
    const char16_t* at = s;
    const char16_t* const end = at + stamp.size();
    const auto number = [&] {
        std::uint32_t value = 0;
        for (std::uint32_t digit; at < end && (digit = std::uint32_t(*at) - u'0') < 10; ++at)
            value = value * 10 + digit;
        return value;
    };
    const std::uint32_t hours = number();
    at += at < end; // ':'
    const std::uint32_t minutes = number();
    at += at < end; // ':'
    const std::uint32_t seconds = number();
    std::uint32_t fraction = 0;
    qsizetype fractionDigits = 0;
    if (at < end && (*at == u'.' || *at == u',')) {
        const char16_t* const fractionStart = ++at;
        fraction = number();
        fractionDigits = at - fractionStart;
    }
    if (at != end || fractionDigits > 3)
        return parseTime(stamp); // digits of another script
    const double scale = kPowersOfTen[fractionDigits];
    return double(hours * 60 + minutes) * 60 + double(seconds * scale + fraction) / scale;
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
        // Cue texts are short: std::find beats indexOf's set-up.
        const auto closing = [&](QChar bracket) {
            const QChar* found = std::find(data + i + 1, data + text.size(), bracket);
            return found == data + text.size() ? qsizetype(-1) : found - data;
        };
        if (c == u'<' && angleMayClose) {
            close = closing(u'>');
            angleMayClose = close >= 0;
        } else if (c == u'{' && braceMayClose) {
            close = closing(u'}');
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

// "\N" and then "\n" become LF. A backslash is never the second character
// of either, so one pass from the left replaces the same ones as two.
void replaceLineBreakEscapes(QString& text) {
    const qsizetype size = text.size();
    QChar* const data = text.data();
    const qsizetype first = std::find(data, data + size, QChar(u'\\')) - data;
    qsizetype out = first;
    for (qsizetype i = first; i < size; ++i) {
        if (data[i] == u'\\' && i + 1 < size && (data[i + 1] == u'N' || data[i + 1] == u'n')) {
            data[out++] = u'\n';
            ++i;
        } else {
            data[out++] = data[i];
        }
    }
    text.truncate(out);
}

// Copies `from` with CR LF and CR made LF; returns the number of units
// written. The text between breaks is copied whole.
qsizetype copyWithUnixLineEnds(QStringView from, QChar* to) {
    const QChar* in = from.data();
    const QChar* const end = in + from.size();
    QChar* out = to;
    for (;;) {
        const QChar* cr = std::find(in, end, QChar(u'\r'));
        out = std::copy(in, cr, out);
        if (cr == end)
            return out - to;
        *out++ = u'\n';
        in = cr + 1 < end && cr[1] == u'\n' ? cr + 2 : cr + 1;
    }
}

// `rest` is trimmed. `lineEnds`: it holds a CR; `markup`: it holds a
// backslash, '<' or '{'.
QString cueText(QStringView rest, bool lineEnds, bool markup) {
    if (!lineEnds && !markup)
        return rest.toString();
    QString text(rest.size(), Qt::Uninitialized);
    text.truncate(lineEnds ? copyWithUnixLineEnds(rest, text.data())
                           : std::copy(rest.begin(), rest.end(), text.data()) - text.data());
    if (!markup)
        return text; // the ends were trimmed and only line breaks changed inside
    replaceLineBreakEscapes(text);
    removeMarkup(text);
    return std::move(text).trimmed();
}

// The units scanBlock stops at: line breaks, '-' and what cueText must see.
constexpr bool isNoted(char16_t c) {
    return c == u'\n' || c == u'\r' || c == u'-' || c == u'\\' || c == u'<' || c == u'{';
}

// The first noted unit at or after `from`, or `size`. Eight units at a time
// where SSE2 is there (every x86-64): most of a subtitle file is text that
// holds none of them.
Q_ALWAYS_INLINE qsizetype nextNoted(const QChar* text, qsizetype from, qsizetype size) {
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16('\n');
    const __m128i cr = _mm_set1_epi16('\r');
    const __m128i dash = _mm_set1_epi16('-');
    const __m128i backslash = _mm_set1_epi16('\\');
    const __m128i angle = _mm_set1_epi16('<');
    const __m128i brace = _mm_set1_epi16('{');
    for (; i + 8 <= size; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i found = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr)),
                         _mm_or_si128(_mm_cmpeq_epi16(v, dash), _mm_cmpeq_epi16(v, backslash))),
            _mm_or_si128(_mm_cmpeq_epi16(v, angle), _mm_cmpeq_epi16(v, brace)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found));
        if (mask != 0)
            return i + std::countr_zero(mask) / 2;
    }
#endif
    for (; i < size; ++i) {
        if (isNoted(text[i].unicode()))
            return i;
    }
    return size;
}

// One block of the text as if CR LF and CR had been made LF first: it ends at
// the first pair of line breaks, each "\r\n", "\r" or "\n". The same pass
// notes the first "-->" and the last CR and markup character.
struct Block {
    qsizetype end;  // where the pair of breaks starts, or the text's end
    qsizetype next; // after the pair
    qsizetype arrow = -1;
    qsizetype lastCr = -1;
    qsizetype lastMarkup = -1;
};

Block scanBlock(const QChar* text, qsizetype size, qsizetype from) {
    Block block{size, size};
    const auto breakLength = [&](qsizetype at) -> qsizetype {
        if (at >= size)
            return 0;
        const char16_t c = text[at].unicode();
        if (c == u'\n')
            return 1;
        if (c == u'\r')
            return at + 1 < size && text[at + 1] == u'\n' ? 2 : 1;
        return 0;
    };
    for (qsizetype i = nextNoted(text, from, size); i < size; i = nextNoted(text, i + 1, size)) {
        const char16_t c = text[i].unicode();
        if (c == u'\n' || c == u'\r') {
            const qsizetype first = breakLength(i);
            const qsizetype second = breakLength(i + first);
            if (second > 0) {
                block.end = i;
                block.next = i + first + second;
                return block;
            }
            if (c == u'\r')
                block.lastCr = i;
            i += first - 1;
        } else if (c == u'-') {
            if (block.arrow < 0 && i + 2 < size && text[i + 1] == u'-' && text[i + 2] == u'>') {
                block.arrow = i;
                i += 2;
            }
        } else {
            block.lastMarkup = i;
        }
    }
    return block;
}

// `block` is trimmed and lies in the text at `offset`; `scan` is its scan.
void addCue(QStringView block, qsizetype offset, const Block& scan, QList<SubtitleCue>& cues) {
    const qsizetype arrow = scan.arrow - offset;
    std::optional<Timing> timing = timingAt(block, arrow);
    if (!timing)
        timing = findTiming(block, arrow + 1);
    if (!timing || timing->matchEnd == block.size())
        return;
    const QStringView rest = block.sliced(timing->matchEnd).trimmed();
    const qsizetype restAt = offset + (rest.data() - block.data());
    QString text = cueText(rest, scan.lastCr >= restAt, scan.lastMarkup >= restAt);
    if (text.isEmpty())
        return;
    cues.append(
        SubtitleCue{stampSeconds(timing->start), stampSeconds(timing->end), std::move(text)});
}

} // namespace

QList<SubtitleCue> ParseSubtitle(const QString& input) {
    QList<SubtitleCue> cues;
    const QChar* const text = input.constData();
    const qsizetype size = input.size();
    cues.reserve(size / 64); // a cue takes some 60 to 120 characters
    for (qsizetype from = 0; from < size;) {
        const Block block = scanBlock(text, size, from);
        if (block.arrow >= 0) {
            // Trimming takes only white space, so the arrow stays inside.
            const QStringView trimmed = QStringView(text + from, block.end - from).trimmed();
            addCue(trimmed, trimmed.data() - text, block, cues);
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
