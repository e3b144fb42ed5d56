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

// The font for a subtitle font name: a family of that name, else the first
// Persian fallback that is available, else the system font. Never fails.
QFont ResolveFont(const QString& name, double pointSize);

} // namespace velmo
