#pragma once

// The playback engine as the rest of the program sees it. Nothing here names a
// libvlc type: the real implementation lives in vlc_engine.cpp, and tests put a
// fake behind the same interfaces.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace velmo {

class VideoSink;

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

// One entry of the engine's audio or subtitle track list, as the engine gives it
// (the "disable" entry with a negative id included). `hasName` is false when the
// engine gave no name, or one that is not valid UTF-8.
struct TrackDescription {
    int id = -1;
    QString name;
    bool hasName = false;
};

// The tracks of an engine list that the menus offer: without the entry that
// disables the kind (negative id), unnamed ones called `unnamed`, at most 31.
QList<TrackDescription> choosableTracks(const QList<TrackDescription>& tracks,
                                        const QString& unnamed);

// Receives every event of every player of an engine on the GUI thread, tagged
// with the serial of the player that raised it.
using EngineEventHandler = std::function<void(std::uint64_t serial, int type, int data)>;

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default; // releases the player; callbacks are detached first

    // Unique within the process; events carry it so that those of a released
    // player can be recognised and dropped.
    virtual std::uint64_t serial() const = 0;

    virtual void attachVideo(VideoSink* sink) = 0;
    virtual void attachEvents() = 0;
    virtual int play() = 0; // 0 on success
    virtual void stop() = 0;
    virtual void setPause(bool paused) = 0;
    virtual std::int64_t time() = 0;   // ms, -1 when unknown
    virtual std::int64_t length() = 0; // ms, 0 or -1 when unknown
    virtual void setTime(std::int64_t ms) = 0;
    virtual void setVolume(int percent) = 0;
    virtual void setRate(float rate) = 0;

    virtual QList<TrackDescription> audioTracks() = 0;
    virtual int audioTrack() = 0;
    virtual void setAudioTrack(int id) = 0;
    virtual QList<TrackDescription> subtitleTracks() = 0;
    virtual int subtitleTrack() = 0;
    virtual void setSubtitleTrack(int id) = 0;
    virtual void setSubtitleFile(const QString& path) = 0;
};

class Engine {
public:
    virtual ~Engine() = default;

    enum class OpenError { None, NoMedia, NoPlayer };

    // Makes a media from `url` with the per-media `options`, then a player for it
    // (the media is released as soon as the player holds it). On failure returns
    // null and says which step failed.
    virtual std::unique_ptr<MediaPlayer> open(const QString& url, const QStringList& options,
                                              OpenError* error) = 0;
};

// Makes the engine instance from libvlc command-line style arguments; null when
// the instance cannot be created. Events of all players reach `handler`.
using EngineFactory =
    std::function<std::unique_ptr<Engine>(const QStringList& args, EngineEventHandler handler)>;

// The real factory (libvlc).
std::unique_ptr<Engine> createVlcEngine(const QStringList& args, EngineEventHandler handler);

} // namespace velmo
