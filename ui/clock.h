#pragma once

#include <QString>

namespace velmo {

// Seconds as clock text: "mm:ss" below an hour, "h:mm:ss" from an hour on.
// Rounded to the nearest second, halves away from zero; a value that is not
// finite or is negative counts as 0.
QString FormatClock(double seconds);

} // namespace velmo
