#pragma once

// An engine that plays nothing: it records what the controller asks of it and
// lets a test raise events by hand.

#include "engine/engine.h"
#include "engine/player_events.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

namespace velmo::test {

struct FakePlayerLog {
    QString url;
    QStringList options;
    QStringList calls; // "play", "stop", "pause 1", "time 1600", "volume 56", "rate 1.5", ...
    bool released = false;
    std::int64_t time = -1;
    std::int64_t length = -1;
    bool videoAttached = false;
    bool eventsAttached = false;
    // Where this player's events go; null once the session that owns it is gone.
    QPointer<PlayerEvents> events;
    // The media's tracks as the engine lists them, and the ones it plays.
    QList<TrackDescription> audioTracks;
    QList<TrackDescription> subtitleTracks;
    int audioTrack = -1;
    int subtitleTrack = -1;
};

struct FakeEngineState {
    QStringList args;
    int instances = 0;
    bool failCreate = false;
    Engine::OpenError failOpen = Engine::OpenError::None;
    int playResult = 0;
    // Tracks every player opened from now on lists (a test may also edit a
    // player's own lists).
    QList<TrackDescription> audioTracks;
    QList<TrackDescription> subtitleTracks;
    QList<std::shared_ptr<FakePlayerLog>> players;

    std::shared_ptr<FakePlayerLog> last() const {
        return players.isEmpty() ? nullptr : players.last();
    }
};

// A factory for VelmoPlayerApp::engineFactory that records into `state`.
EngineFactory fakeEngineFactory(std::shared_ptr<FakeEngineState> state);

} // namespace velmo::test
