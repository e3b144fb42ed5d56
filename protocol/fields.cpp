#include "protocol/fields.h"

#include <QJsonValue>


namespace velmo {

std::optional<double> numberField(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isDouble())
        return value.toDouble();
    if (value.isBool())
        return value.toBool() ? 1.0 : 0.0;
    return std::nullopt;
}

std::optional<double> strictNumberField(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isDouble())
        return value.toDouble();
    return std::nullopt;
}

double Num(const QJsonObject& object, const QString& key, double fallback) {
    return numberField(object, key).value_or(fallback);
}

std::optional<QString> stringField(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isString())
        return value.toString();
    return std::nullopt;
}

std::optional<bool> truthField(const QJsonObject& object, const QString& key) {
    if (auto number = numberField(object, key))
        return *number != 0.0;
    return std::nullopt;
}

} // namespace velmo
