#pragma once

#include <QList>
#include <QString>

namespace velmo {

// One alternative source of the media: its label in the quality menu and the
// URL it plays (never empty).
struct SourceEntry {
    QString label;
    QString url;

    bool operator==(const SourceEntry&) const = default;
};

// What a "load" asks the playback part to play.
struct MediaRequest {
    QList<SourceEntry> sources;
    QString url;
    double startTime = 0;
    bool live = false;
};

} // namespace velmo
