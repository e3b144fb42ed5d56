#include "engine/player_events.h"

namespace velmo {

void PlayerEvents::post(int type, int data) {
    QMutexLocker lock(&mutex_);
    queue_.append({type, data});
    if (drainQueued_)
        return;
    drainQueued_ = true;
    // Bound to this object: if it is gone by the time the GUI thread gets to
    // the call, Qt drops the call.
    QMetaObject::invokeMethod(this, &PlayerEvents::drain, Qt::QueuedConnection);
}

void PlayerEvents::drain() {
    QList<Posted> batch;
    {
        QMutexLocker lock(&mutex_);
        batch.swap(queue_);
        drainQueued_ = false;
    }
    // A handler may end the player (a new load from a slot); stop as soon as
    // this object is being destroyed.
    QPointer<PlayerEvents> alive(this);
    for (const Posted& event : batch) {
        if (!alive)
            return;
        deliver(event.type, event.data);
    }
}

void PlayerEvents::deliver(int type, int data) {
    switch (type) {
    case EngineEvent::Buffering:
        emit buffering(data);
        break;
    case EngineEvent::Playing:
        emit playing();
        break;
    case EngineEvent::Paused:
        emit paused();
        break;
    case EngineEvent::Stopped:
        emit stopped();
        break;
    case EngineEvent::EndReached:
        emit endReached();
        break;
    case EngineEvent::EncounteredError:
        emit errorOccurred();
        break;
    case EngineEvent::TimeChanged:
        emit timeChanged();
        break;
    case EngineEvent::LengthChanged:
        emit lengthChanged();
        break;
    case EngineEvent::Vout:
        emit videoOutputs(data);
        break;
    case EngineEvent::ESAdded:
    case EngineEvent::ESDeleted:
        emit tracksChanged();
        break;
    case EngineEvent::SeekableChanged:
        emit seekableChanged();
        break;
    default:
        break;
    }
}

} // namespace velmo
