#pragma once

// What the subtitle part needs of the engine: its embedded tracks, the one it
// draws, and taking a file to draw itself. The engine draws at most one.

#include <QList>
#include <QString>

namespace velmo {

struct EmbeddedTrack {
    int id = -1; // the engine's track id, never negative
    QString name;
};

class EngineSubtitles {
public:
    virtual ~EngineSubtitles() = default;

    virtual bool hasPlayer() = 0;
    // The tracks the menu offers, in the engine's order (empty without a player).
    virtual QList<EmbeddedTrack> embeddedTracks() = 0;
    // The track the engine draws, -1 for none.
    virtual int drawnTrack() = 0;
    // -1 switches the engine's subtitle off. Nothing without a player.
    virtual void drawTrack(int id) = 0;
    // False when there is no player to take it.
    virtual bool drawFile(const QString& path) = 0;
};

} // namespace velmo
