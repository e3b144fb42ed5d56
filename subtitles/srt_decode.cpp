// Decoding of downloaded subtitle files: the byte-level half of srt.h.
//
// A leading byte-order mark names the encoding. Without one, UTF-16 is told
// by the zero bytes of its ASCII start; everything else is tried as strict
// UTF-8, then the legacy code page, then Latin-1.
//
// UTF-16 and UTF-32 go through glibc's iconv rather than QStringDecoder: Qt
// 6.4's decoders let lone surrogates through (text QRegularExpression then
// refuses to match in) and turn UTF-32 values past U+10FFFF or in the
// surrogate range into unrelated characters; iconv rejects both.

#include "subtitles/srt.h"

#include <QByteArrayView>
#include <QChar>
#include <QStringDecoder>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>

namespace velmo {
namespace {

// Qt puts U+FFFD for every malformed sequence; since a file may also hold that
// character itself, its presence only sends the bytes to the strict check.
// `data` does not begin with a byte-order mark (that is a marked file), so Qt's
// habit of dropping one has nothing to drop.
std::optional<QString> decodeUtf8(const QByteArray& data) {
    QString text = QString::fromUtf8(data);
    if (text.contains(QChar::ReplacementCharacter) && !data.isValidUtf8())
        return std::nullopt;
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

enum class OnError { Fail, Replace };

// `data` converted by iconv from `encoding`, whose code units are `unitSize`
// bytes. Missing converter: no text. With OnError::Fail a byte sequence the
// converter rejects, or one cut off by the end, fails the whole step (the
// chain then tries the next encoding). With OnError::Replace each rejected
// unit becomes U+FFFD and the conversion goes on with the next, and the units
// left when the end cuts a character, a partial one counted, become one
// U+FFFD each; so a lone surrogate or a last odd byte costs one character,
// not the file.
std::optional<QString> decodeWithIconv(QByteArrayView data, const char* encoding, int unitSize,
                                       OnError onError) {
    const char* utf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    const Iconv converter(utf16, encoding);
    if (!converter.isOpen())
        return std::nullopt;
    if (data.isEmpty())
        return QString();
    // One UTF-16 unit per byte of a single-byte code page, per unit of UTF-16,
    // at most two per unit of UTF-32, and one for a cut end; a code page that
    // needs more gets it from the loop.
    QString out((unitSize == 4 ? data.size() / 2 : data.size() / unitSize) + 1, Qt::Uninitialized);
    char* in = const_cast<char*>(data.data());
    size_t inLeft = static_cast<size_t>(data.size());
    qsizetype written = 0;
    for (;;) {
        char* const base = reinterpret_cast<char*>(out.data());
        char* outAt = base + written * 2;
        size_t outLeft = static_cast<size_t>(out.size() - written) * 2;
        const size_t result = iconv(converter.handle(), &in, &inLeft, &outAt, &outLeft);
        const int error = errno;
        written = (outAt - base) / 2;
        if (result != static_cast<size_t>(-1))
            break;
        if (error == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (onError == OnError::Fail || (error != EILSEQ && error != EINVAL))
            return std::nullopt;
        // EILSEQ stops at the rejected unit; EINVAL at a character the end cuts.
        const size_t bad = error == EILSEQ ? std::min(size_t(unitSize), inLeft) : inLeft;
        const qsizetype replacements = qsizetype((bad + unitSize - 1) / unitSize);
        if (written + replacements > out.size())
            out.resize(std::max(out.size() * 2, written + replacements));
        std::fill_n(out.data() + written, replacements, QChar::ReplacementCharacter);
        written += replacements;
        in += bad;
        inLeft -= bad;
        if (inLeft == 0)
            break;
    }
    out.truncate(written);
    return out;
}

// The UTF-8 mark (without an iconv name), and those of UTF-16 and UTF-32. The
// UTF-32 LE mark begins with the UTF-16 LE one, so it is looked for first; a
// UTF-16 LE file whose first character is U+0000 is read as UTF-32 LE, which
// no subtitle file is.
struct Mark {
    QByteArrayView bytes;
    const char* encoding;
    int unitSize;
};
constexpr Mark kMarks[] = {
    {QByteArrayView("\xFF\xFE\x00\x00", 4), "UTF-32LE", 4},
    {QByteArrayView("\x00\x00\xFE\xFF", 4), "UTF-32BE", 4},
    {QByteArrayView("\xEF\xBB\xBF", 3), nullptr, 1},
    {QByteArrayView("\xFF\xFE", 2), "UTF-16LE", 2},
    {QByteArrayView("\xFE\xFF", 2), "UTF-16BE", 2},
};

// The iconv name of the UTF-16 order `data` is written in without a mark, or
// null. An SRT file starts with a cue number or a time stamp, so in UTF-16 its
// first characters are ASCII: every other byte is zero, the others are not,
// and a digit is among them. The first eight units must all look so. Text in
// UTF-8, Windows-1256 or Latin-1 holds no NUL byte at all, let alone eight in
// alternate places, so such text never goes this way; and read as 8-bit text
// such a start could not begin a timing either. Under 16 bytes the chain
// decides as before: seven UTF-16 characters cannot hold a cue anyway. The
// rest of the file is not looked at: a bad unit further on, or an odd last
// byte, becomes U+FFFD (see decodeWithIconv).
const char* unmarkedUtf16(QByteArrayView data) {
    constexpr qsizetype kUnits = 8;
    if (data.size() < 2 * kUnits)
        return nullptr;
    for (const bool littleEndian : {true, false}) {
        bool ascii = true;
        bool digit = false;
        for (qsizetype i = 0; i < kUnits && ascii; ++i) {
            const auto low = static_cast<unsigned char>(data[2 * i + (littleEndian ? 0 : 1)]);
            const auto high = static_cast<unsigned char>(data[2 * i + (littleEndian ? 1 : 0)]);
            ascii = high == 0 && low != 0 && low < 0x80;
            digit = digit || (low >= '0' && low <= '9');
        }
        if (ascii && digit)
            return littleEndian ? "UTF-16LE" : "UTF-16BE";
    }
    return nullptr;
}

// A file in the encoding its mark names, the mark removed (a second one stays,
// as U+FEFF), or an unmarked UTF-16 file; nothing for any other file. A marked
// file is decoded as what it says even where it is malformed, bad sequences
// becoming U+FFFD: after a mark the chain's guesses would only read the whole
// file wrongly.
std::optional<QString> decodeUnicode(QByteArrayView data) {
    for (const Mark& mark : kMarks) {
        if (!data.startsWith(mark.bytes))
            continue;
        const QByteArrayView rest = data.sliced(mark.bytes.size());
        if (!mark.encoding) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                          QStringDecoder::Flag::ConvertInitialBom);
            return utf8(rest);
        }
        return decodeWithIconv(rest, mark.encoding, mark.unitSize, OnError::Replace);
    }
    if (const char* encoding = unmarkedUtf16(data))
        return decodeWithIconv(data, encoding, 2, OnError::Replace);
    return std::nullopt;
}

} // namespace

namespace detail {

QString decodeSubtitleData(const QByteArray& data, const char* legacyCodePage) {
    // Only a missing converter brings a marked or UTF-16 file on to the chain.
    if (std::optional<QString> text = decodeUnicode(data))
        return *std::move(text);
    if (std::optional<QString> text = decodeUtf8(data))
        return *std::move(text);
    if (std::optional<QString> text = decodeWithIconv(data, legacyCodePage, 1, OnError::Fail))
        return *std::move(text);
    // No text here begins with U+FEFF: a file that starts with the UTF-8 mark
    // was taken above, and neither code page decodes anything to U+FEFF.
    return QString::fromLatin1(data);
}

} // namespace detail

QString DecodeSubtitleData(const QByteArray& data) {
    return detail::decodeSubtitleData(data, "CP1256");
}

} // namespace velmo
