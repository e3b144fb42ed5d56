// Decoding of downloaded subtitle files: the byte-level half of srt.h.

#include "subtitles/srt.h"

#include <QByteArrayView>
#include <QChar>
#include <QSysInfo>

#include <cerrno>
#include <iconv.h>
#include <optional>

namespace velmo {
namespace {

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

} // namespace velmo
