#include "subtitles/colors.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace velmo {
namespace {

bool isCSpace(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// strtol(text, &end, 16) without the sign, on six characters at most, so the
// value fits in 24 bits. None when no digit is read.
std::optional<unsigned> readHex(QStringView text) {
    qsizetype at = 0;
    while (at < text.size() && isCSpace(text[at]))
        ++at;
    // "0x" counts as a prefix only when a digit follows; otherwise the "0" is
    // the number, as with strtol.
    if (at + 2 < text.size() && text[at] == u'0' &&
        (text[at + 1] == u'x' || text[at + 1] == u'X') && hexDigit(text[at + 2]) >= 0)
        at += 2;
    unsigned value = 0;
    qsizetype digits = 0;
    for (; at < text.size(); ++at, ++digits) {
        const int digit = hexDigit(text[at]);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    if (digits == 0)
        return std::nullopt;
    return value;
}

int component255(float fraction) {
    return std::clamp(static_cast<int>(std::round(fraction * 255.0)), 0, 255);
}

} // namespace

QColor HexColor(const QJsonValue& value, const QColor& fallback) {
    if (!value.isString())
        return fallback;
    QString text = value.toString();
    text.remove(u'#');
    if (text.size() == 3) {
        const QChar doubled[] = {text[0], text[0], text[1], text[1], text[2], text[2]};
        text = QString(doubled, 6);
    }
    if (text.size() != 6)
        return fallback;
    const std::optional<unsigned> rgb = readHex(text);
    if (!rgb)
        return fallback;
    return QColor(int(*rgb >> 16 & 0xff), int(*rgb >> 8 & 0xff), int(*rgb & 0xff));
}

QString HexFromColor(const QColor& color) {
    const QColor rgb = color.toRgb(); // an invalid colour stays as it is
    return QString::asprintf("#%02x%02x%02x", component255(rgb.redF()), component255(rgb.greenF()),
                             component255(rgb.blueF()));
}

} // namespace velmo
