#include "protocol/json_line.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>
#include <cmath>

namespace velmo {

namespace {

template <typename T> QByteArray shortest(T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}

// Qt's JSON writer does the string escaping; a one-element array is the
// smallest document that holds a bare string.
QByteArray quoted(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

QByteArray shortestNumber(double value) {
    return shortest(value);
}

QByteArray shortestNumber(float value) {
    return shortest(value);
}

void JsonLine::key(const char* key) {
    body_.append(body_.isEmpty() ? "{" : ",");
    body_.append(quoted(QString::fromUtf8(key)));
    body_.append(':');
}

JsonLine& JsonLine::add(const char* name, const QString& value) {
    key(name);
    body_.append(quoted(value));
    return *this;
}

JsonLine& JsonLine::add(const char* name, bool value) {
    key(name);
    body_.append(value ? "true" : "false");
    return *this;
}

template <typename Number> JsonLine& JsonLine::addNumber(const char* name, Number value) {
    key(name);
    if (!std::isfinite(value))
        failed_ = true; // JSON has no text for it
    else
        body_.append(shortestNumber(value));
    return *this;
}

JsonLine& JsonLine::add(const char* name, double value) {
    return addNumber(name, value);
}

JsonLine& JsonLine::add(const char* name, float value) {
    return addNumber(name, value);
}

QByteArray JsonLine::text() const {
    if (failed_ || body_.isEmpty())
        return {};
    return body_ + "}";
}

} // namespace velmo
