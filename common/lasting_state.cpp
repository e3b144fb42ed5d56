#include "common/lasting_state.h"

#include "common/numbers.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {
constexpr double kAudible = 0.001;        // above this a volume is heard
constexpr double kWorthRestoring = 0.01;  // unmuting to less than this gives 1
} // namespace

float LastingState::setVolume(double v) {
    // NaN cannot come from JSON, but keep it out of the float all the same.
    volume_ = std::isnan(v) ? 0.0f : static_cast<float>(std::clamp(v, 0.0, 1.0));
    if (double(volume_) > kAudible)
        lastVolume_ = volume_;
    return volume_;
}

float LastingState::mutedOrRestored() {
    if (double(volume_) > kAudible) {
        lastVolume_ = volume_;
        return 0.0f;
    }
    return double(lastVolume_) > kWorthRestoring ? lastVolume_ : 1.0f;
}

float LastingState::setRate(double r) {
    rate_ = std::isnan(r) ? 1.0f : static_cast<float>(std::clamp(r, 0.25, 3.0));
    return rate_;
}

void LastingState::restoreSaved(std::optional<double> volume, std::optional<double> rate) {
    if (volume)
        volume_ = toFloat(*volume);
    lastVolume_ = double(volume_) > kWorthRestoring ? volume_ : 1.0f;
    if (rate)
        rate_ = toFloat(*rate);
}

} // namespace velmo
