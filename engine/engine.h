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

class PlayerEvents;
class VideoSink;

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

class MediaPlayer {
public:
    // Stops and releases the player; its events are detached first, so none is
    // posted once this returns.
    virtual ~MediaPlayer() = default;

    virtual void attachVideo(VideoSink* sink) = 0;
    // From now on the player's events are posted to the PlayerEvents it was
    // opened with.
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
    // (the media is released as soon as the player holds it) whose events go to
    // `events`, which must outlive the player. On failure returns null and says
    // which step failed.
    virtual std::unique_ptr<MediaPlayer> open(const QString& url, const QStringList& options,
                                              PlayerEvents* events, OpenError* error) = 0;
};

// Makes the engine instance from libvlc command-line style arguments; null when
// the instance cannot be created.
using EngineFactory = std::function<std::unique_ptr<Engine>(const QStringList& args)>;

// The real factory (libvlc).
std::unique_ptr<Engine> createVlcEngine(const QStringList& args);

} // namespace velmo
