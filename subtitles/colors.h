#pragma once

// The colour text of the subtitle settings: "#" and six lower-case hexadecimal
// digits, red, green, blue.

#include <QColor>
#include <QJsonValue>
#include <QString>

namespace velmo {

// The opaque colour a settings value names, or `fallback` when it names none.
// Accepts more than HexFromColor writes: every "#" is dropped wherever it
// stands, three characters are doubled ("f0a" is "ff00aa"), and six are read
// from the start as a hexadecimal number the way strtol does (leading white
// space skipped, "0x" allowed, reading stops at the first non-digit, so
// "12zzzz" is 0x000012), with at least one digit. Unlike strtol no sign is
// read: "-00001" would otherwise come out white. Any other length (eight
// digits with alpha among them) gives the fallback.
QColor HexColor(const QJsonValue& value, const QColor& fallback);

// "#rrggbb" in lower case, each component of the sRGB colour times 255 rounded
// half away from zero and limited to 0-255 (an extended-range colour would
// otherwise write more or fewer than two digits).
QString HexFromColor(const QColor& color);

} // namespace velmo
