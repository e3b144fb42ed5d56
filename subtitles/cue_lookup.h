#pragma once

#include "subtitles/model.h"

#include <QList>

namespace velmo {

// The cue to draw at `t` seconds in a list sorted by start, or null. Only the
// latest-starting cue is a candidate (the last one among equal starts), and it
// is shown from its start through its end, both included; an earlier cue that
// still runs is hidden once a later one has started. A cue that ends before it
// starts is never shown.
const SubtitleCue* cueAt(const QList<SubtitleCue>& cues, double t);

} // namespace velmo
