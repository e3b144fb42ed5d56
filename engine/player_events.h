#pragma once

// The events of one media player, delivered on the GUI thread as typed
// signals. The engine raises them on its own threads and only posts them here
// (post() is thread-safe and never calls back into the engine); one queued call
// drains whatever has been posted so far and emits a signal per event, in the
// order they were raised. The object lives and dies with its player: events
// posted but not yet drained when it goes are dropped with it.

#include <QList>
#include <QMutex>
#include <QPointer>
#include <QObject>

namespace velmo {

// libvlc 3 media-player event numbers, repeated so that no caller needs the
// libvlc headers.
namespace EngineEvent {
enum : int {
    Buffering = 259,
    Playing = 260,
    Paused = 261,
    Stopped = 262,
    EndReached = 265,
    EncounteredError = 266,
    TimeChanged = 267,
    SeekableChanged = 269,
    LengthChanged = 273,
    Vout = 274,
    ESAdded = 276,
    ESDeleted = 277,
};
}

class PlayerEvents : public QObject {
    Q_OBJECT

public:
    explicit PlayerEvents(QObject* parent = nullptr) : QObject(parent) {}

    // From any thread. `data` is the buffer fill in percent for Buffering
    // (already cut toward zero), the number of video outputs for Vout, else 0.
    void post(int type, int data = 0);

signals:
    void buffering(int percent);
    void playing();
    void paused();
    void stopped();
    void endReached();
    void errorOccurred();
    void timeChanged();
    void lengthChanged();
    void videoOutputs(int count);
    void tracksChanged(); // an elementary stream was added or removed
    void seekableChanged();

private:
    void drain();
    void deliver(int type, int data);

    struct Posted {
        int type;
        int data;
    };
    QMutex mutex_;
    QList<Posted> queue_;
    bool drainQueued_ = false;
};

} // namespace velmo
