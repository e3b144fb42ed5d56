#pragma once

// Every event the player writes is built here and nowhere else: this is the
// event table of PROTOCOL.md in code. Each event is one compact JSON line;
// "closed" is the last word, after which nothing more is written.

#include "playback/playback_state.h"
#include "subtitles/style.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace velmo {

// The eight settings a "settings" event carries.
struct SettingsReport {
    float volume = 1.0f;
    float rate = 1.0f;
    bool subtitleEnabled = true;
    SubtitleStyle style;
};

class EventWriter {
public:
    // Gets each line without its newline.
    using LineWriter = std::function<void(const QByteArray&)>;

    explicit EventWriter(LineWriter write) : write_(std::move(write)) {}

    void settings(const SettingsReport& report);
    void progress(const ProgressReport& report);
    void ended(double position, double duration);
    void error(const QString& message);
    // Written once; every event asked for afterwards is dropped.
    void closed(double position, double duration);

    bool closedWritten() const { return closed_; }

private:
    // An empty line (a number JSON cannot write) is dropped.
    void write(const QByteArray& line);

    LineWriter write_;
    bool closed_ = false;
};

} // namespace velmo
