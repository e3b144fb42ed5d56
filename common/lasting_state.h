#pragma once

// What outlives a media: the volume and speed the next media starts with, the
// volume that unmuting brings back, and the two things that happen once per
// process. Widget-free; the playback and subtitle parts share one.

#include <optional>

namespace velmo {

class LastingState {
public:
    float volume() const { return volume_; }
    float rate() const { return rate_; }
    float lastVolume() const { return lastVolume_; }

    // A volume asked for by the user or the parent: limited to 0..1 and kept as
    // the one to unmute to when audible (above 0.001). Returns the volume set.
    float setVolume(double volume);
    // Mute when audible, else back to the last audible volume (1 when that was
    // 0.01 or less). Returns the volume to apply.
    float mutedOrRestored();
    // A speed asked for: limited to 0.25..3.
    float setRate(double rate);

    // The saved settings of a "load", taken as given; the unmute volume follows
    // (1 when the volume is 0.01 or less).
    void restoreSaved(std::optional<double> volume, std::optional<double> rate);

    // The first external track is loaded by itself once per process.
    bool autoSubtitleTried = false;
    // The first successful load went fullscreen once.
    bool enteredFullscreen = false;

private:
    float volume_ = 1.0f;
    float rate_ = 1.0f;
    float lastVolume_ = 1.0f;
};

} // namespace velmo
