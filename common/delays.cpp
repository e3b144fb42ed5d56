#include "common/delays.h"

#include <QTimer>

namespace velmo {

Scheduler timerScheduler() {
    return [](QObject* owner, int ms, std::function<void()> step) {
        QTimer::singleShot(ms, owner, std::move(step));
    };
}

} // namespace velmo
