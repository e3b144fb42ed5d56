#include "common/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmo {

namespace {

template <typename Int> Int truncTo(double value) {
    if (std::isnan(value))
        return 0;
    // Both limits are exactly representable as doubles for the types used here
    // (int is exact; for int64 the upper limit rounds up to 2^63, so compare with >=).
    constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double high = static_cast<double>(std::numeric_limits<Int>::max());
    if (value <= low)
        return std::numeric_limits<Int>::min();
    if (value >= high)
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}

} // namespace

std::int64_t truncToInt64(double value) {
    return truncTo<std::int64_t>(value);
}

int truncToInt(double value) {
    return truncTo<int>(value);
}

float toFloat(double value) {
    constexpr double highest = std::numeric_limits<float>::max();
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(std::clamp(value, -highest, highest));
}

int roundToInt(double value) {
    return truncToInt(std::round(value));
}

} // namespace velmo
