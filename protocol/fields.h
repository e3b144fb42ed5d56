#pragma once

// Reading the fields of a command. Only JSON numbers count as numbers (true and
// false as 1 and 0); strings are never converted.

#include <QJsonObject>
#include <QString>

#include <optional>

namespace velmo {

// The number stored under `key`, or `fallback` when it is missing or not a number.
double Num(const QJsonObject& object, const QString& key, double fallback);

// The number under `key` when it is a JSON number or boolean, else nothing.
std::optional<double> numberField(const QJsonObject& object, const QString& key);
// The number under `key` only when it is a JSON number (booleans do not count).
std::optional<double> strictNumberField(const QJsonObject& object, const QString& key);
// The text under `key` when it is a JSON string, else nothing.
std::optional<QString> stringField(const QJsonObject& object, const QString& key);
// The truth value under `key` for a boolean or a number (non-zero is true).
std::optional<bool> truthField(const QJsonObject& object, const QString& key);

} // namespace velmo
