#include "engine/engine.h"

namespace velmo {

QList<TrackDescription> choosableTracks(const QList<TrackDescription>& tracks,
                                        const QString& unnamed) {
    constexpr int kMaxTracks = 31;
    QList<TrackDescription> entries;
    for (const TrackDescription& track : tracks) {
        if (track.id < 0)
            continue;
        entries.append({track.id, track.hasName ? track.name : unnamed, true});
        if (entries.size() >= kMaxTracks)
            break;
    }
    return entries;
}

} // namespace velmo
