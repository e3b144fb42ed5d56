#pragma once

#include <QList>
#include <QString>

namespace velmo {

// One timed cue of an external subtitle track; times in seconds from the start
// of the media. The text is never empty and has no white space at either end.
struct SubtitleCue {
    double start = 0;
    double end = 0;
    QString text;
};

// An external subtitle track named by the load command. `cues` is sorted by
// start and stays empty until the file has been fetched and parsed; it is the
// only cache, so a track with cues is never fetched again.
struct SubtitleTrack {
    QString name;
    QString url;
    QList<SubtitleCue> cues;
};

} // namespace velmo
