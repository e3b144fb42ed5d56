#pragma once

// What the player takes from the world outside it: where events go, how
// delayed steps are scheduled, how the engine is made and where it is, how the
// process ends, how subtitle files are fetched, the clock, and which descriptor
// carries the commands. The real ones by default; tests put their own.

#include "common/delays.h"
#include "engine/engine.h"
#include "subtitles/fetch.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace velmo {

struct PlayerEnvironment {
    // Gets each event line without its newline.
    std::function<void(const QByteArray&)> writeLine;
    Scheduler schedule;
    EngineFactory engineFactory;
    // Candidate engine folders, in search order (each holds libvlc's "plugins").
    QStringList engineFolders;
    // Asked to end the process.
    std::function<void()> terminate;
    // Null: the network.
    SubtitleFetch fetchSubtitle;
    // Seconds on a steady clock.
    std::function<double()> clock;
    // The commands' descriptor; -1 for none.
    int inputFd = 0;
};

// Standard output, timers, libvlc next to the player or system-wide, the
// event loop's end, the network, a monotonic clock, standard input.
PlayerEnvironment realEnvironment();

} // namespace velmo
