#include "subtitles/cue_lookup.h"

namespace velmo {

const SubtitleCue* cueAt(const QList<SubtitleCue>& cues, double t) {
    // The number of leading cues that start at or before t.
    qsizetype low = 0;
    qsizetype high = cues.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (cues[middle].start <= t)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == 0)
        return nullptr;
    const SubtitleCue& candidate = cues[low - 1];
    return t <= candidate.end ? &candidate : nullptr;
}

} // namespace velmo
