#pragma once

// Reading the fields of a command. Only JSON numbers count as numbers (true and
// false as 1 and 0); strings are never converted.

#include <QJsonObject>
#include <QString>

#include <cstdint>
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

// Whole number toward zero, limited to the range of the result type first, so
// that no value (1e308, -inf, NaN) leads to undefined behaviour. NaN gives 0.
std::int64_t truncToInt64(double value);
int truncToInt(double value);

// Single precision without undefined behaviour: values beyond the float range
// become the largest finite float of their sign.
float toFloat(double value);

// Nearest whole number, halves away from zero, limited to int.
int roundToInt(double value);

} // namespace velmo
