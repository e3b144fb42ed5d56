#pragma once

#include <QColor>
#include <QFont>
#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace velmo {

// The subtitle fonts offered to the user; the first seven are the Persian
// fallbacks, in order.
const QStringList& fontChoices();

// The font for a subtitle font name, looked up in this order: a face whose
// PostScript or full name is `name`, the regular face of the family `name`,
// the first Persian fallback that is available (one equal to `name` skipped),
// the system font. The empty name gives the system font. Names compare without
// regard to letter case, as the style panel's font list does. Never fails.
//
// A size that is not above 0 cannot be held as a point size; the font then
// carries a pixel size instead, so that pointSizeF() is -1 and the overlay
// draws nothing with it rather than text at the default size.
QFont ResolveFont(const QString& name, double pointSize);

// The PostScript (name ID 6) and full (name ID 4) names an sfnt "name" table
// holds, in the order of its records. Malformed or truncated tables yield what
// could be read safely.
QStringList sfntFaceNames(const QByteArray& nameTable);

} // namespace velmo
