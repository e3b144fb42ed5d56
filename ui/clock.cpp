#include "ui/clock.h"

#include <cmath>

namespace velmo {

QString FormatClock(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    // Above the int range the text would be meaningless anyway; keep it defined.
    const double rounded = std::min(std::round(seconds), 2147483647.0);
    const int n = static_cast<int>(rounded);
    if (n < 3600)
        return QString::asprintf("%02d:%02d", n / 60, n % 60);
    return QString::asprintf("%d:%02d:%02d", n / 3600, (n % 3600) / 60, n % 60);
}

} // namespace velmo
