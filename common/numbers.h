#pragma once

// Number conversions that never reach undefined behaviour, whatever a command
// sent (1e308, -inf, NaN), and the one rule by which a volume becomes the
// engine's whole percent.

#include <cstdint>

namespace velmo {

// Whole number toward zero, limited to the range of the result type first.
// NaN gives 0.
std::int64_t truncToInt64(double value);
int truncToInt(double value);

// Single precision: values beyond the float range become the largest finite
// float of their sign.
float toFloat(double value);

// Nearest whole number, halves away from zero, limited to int.
int roundToInt(double value);

// The engine's volume for a fraction: whole percent, halves away from zero
// (0.555 gives 56, 0.125 gives 13).
inline int enginePercent(float volume) {
    return roundToInt(double(volume) * 100.0);
}

} // namespace velmo
