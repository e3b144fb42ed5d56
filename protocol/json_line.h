#pragma once

// One event as one compact JSON line. Numbers that the player holds in single
// precision are written as the shortest text that reads back as the same float
// (0.55, not 0.550000011920929); doubles as the shortest text for the double.

#include <QByteArray>
#include <QString>

namespace velmo {

class JsonLine {
public:
    JsonLine& add(const char* key, const QString& value);
    JsonLine& add(const char* key, const char* value) { return add(key, QString::fromUtf8(value)); }
    JsonLine& add(const char* key, bool value);
    JsonLine& add(const char* key, double value);
    JsonLine& add(const char* key, float value);

    // The line without its newline, or empty when a value cannot be written as
    // JSON (a number that is not finite).
    QByteArray text() const;

private:
    void key(const char* key);
    template <typename Number> JsonLine& addNumber(const char* name, Number value);

    QByteArray body_;
    bool failed_ = false;
};

QByteArray shortestNumber(double value);
QByteArray shortestNumber(float value);

} // namespace velmo
