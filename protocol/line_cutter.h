#pragma once

// Cuts the bytes read from the parent into lines. Bytes are buffered and only
// complete lines are handed out, so a read that splits a multi-byte character
// loses nothing; each line is decoded by itself later. A line longer than the
// limit is dropped whole (its end included) and the buffer never grows past it.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace velmo {

class LineCutter {
public:
    static constexpr qsizetype kDefaultLimit = 8 * 1024 * 1024;

    explicit LineCutter(qsizetype limit = kDefaultLimit) : limit_(limit) {}

    // Appends `bytes` and calls `onLine` for every line completed by them, in
    // order, without its "\n". Each call finishes before the next line is cut.
    void feed(QByteArrayView bytes, const std::function<void(const QByteArray&)>& onLine);

    qsizetype pending() const { return buffer_.size(); }

private:
    QByteArray buffer_;
    qsizetype limit_;
    bool discarding_ = false; // inside a line that went over the limit
};

} // namespace velmo
