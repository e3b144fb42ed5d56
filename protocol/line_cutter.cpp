#include "protocol/line_cutter.h"

namespace velmo {

void LineCutter::feed(QByteArrayView bytes, const std::function<void(const QByteArray&)>& onLine) {
    while (!bytes.isEmpty()) {
        const qsizetype newline = bytes.indexOf('\n');
        const QByteArrayView head = newline < 0 ? bytes : bytes.first(newline);
        if (discarding_) {
            // Skip the rest of an over-long line; its newline ends the skipping.
        } else if (buffer_.size() + head.size() > limit_) {
            buffer_.clear();
            buffer_.squeeze();
            discarding_ = true;
        } else {
            buffer_.append(head);
        }
        if (newline < 0)
            return;
        bytes = bytes.sliced(newline + 1);
        if (discarding_) {
            discarding_ = false;
            continue;
        }
        const QByteArray line = std::move(buffer_);
        buffer_ = QByteArray();
        onLine(line);
    }
}

} // namespace velmo
