#include "protocol/events.h"

#include "protocol/json_line.h"

namespace velmo {

void EventWriter::write(const QByteArray& line) {
    if (line.isEmpty() || closed_)
        return;
    write_(line);
}

void EventWriter::settings(const SettingsReport& r) {
    // A font name or colour text that was never set is written as its default.
    const SubtitleStyle defaults;
    auto orDefault = [](const QString& value, const QString& fallback) {
        return value.isNull() ? fallback : value;
    };
    write(JsonLine()
              .add("type", "settings")
              .add("volume", r.volume)
              .add("rate", r.rate)
              .add("subtitleEnabled", r.subtitleEnabled)
              .add("subtitleFont", orDefault(r.style.font, defaults.font))
              .add("subtitleSize", r.style.size)
              .add("subtitleColor", orDefault(r.style.color, defaults.color))
              .add("subtitleBackground", orDefault(r.style.background, defaults.background))
              .add("subtitleBackgroundOpacity", r.style.backgroundOpacity)
              .text());
}

void EventWriter::progress(const ProgressReport& r) {
    write(JsonLine()
              .add("type", "progress")
              .add("position", r.position)
              .add("duration", r.duration)
              .add("paused", r.paused)
              .add("volume", r.volume)
              .add("rate", r.rate)
              .text());
}

void EventWriter::ended(double position, double duration) {
    write(JsonLine()
              .add("type", "ended")
              .add("position", position)
              .add("duration", duration)
              .text());
}

void EventWriter::error(const QString& message) {
    write(JsonLine().add("type", "error").add("message", message).text());
}

void EventWriter::closed(double position, double duration) {
    if (closed_)
        return;
    write(JsonLine()
              .add("type", "closed")
              .add("position", position)
              .add("duration", duration)
              .text());
    closed_ = true;
}

} // namespace velmo
