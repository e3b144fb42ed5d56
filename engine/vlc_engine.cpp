// The libvlc side of the engine seam: the instance and one media player per
// URL, whose events cross to the GUI thread through its PlayerEvents.

#include "engine/engine.h"
#include "engine/player_events.h"
#include "engine/vlc_handles.h"
#include "engine/vlc_video.h"

#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmo {

namespace {

constexpr libvlc_event_e kAttachedEvents[] = {
    libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerPaused,
    libvlc_MediaPlayerStopped,
    libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError,
    libvlc_MediaPlayerTimeChanged,
    libvlc_MediaPlayerLengthChanged,
    libvlc_MediaPlayerBuffering,
    libvlc_MediaPlayerVout,
    libvlc_MediaPlayerESAdded,
    libvlc_MediaPlayerESDeleted,
    libvlc_MediaPlayerSeekableChanged,
};

void onEvent(const libvlc_event_t* event, void* opaque) {
    int data = 0;
    if (event->type == libvlc_MediaPlayerVout)
        data = event->u.media_player_vout.new_count;
    else if (event->type == libvlc_MediaPlayerBuffering) {
        // Buffer fill in percent, cut toward zero: 99.9 must stay below 100.
        const float cache = event->u.media_player_buffering.new_cache;
        data = std::isfinite(cache) ? static_cast<int>(std::clamp(cache, -1e6f, 1e6f)) : 0;
    }
    static_cast<PlayerEvents*>(opaque)->post(event->type, data);
}

QList<TrackDescription> readTracks(libvlc_track_description_t* head) {
    vlc::TrackList list(head);
    QList<TrackDescription> tracks;
    for (auto* d = list.get(); d != nullptr; d = d->p_next) {
        TrackDescription track;
        track.id = d->i_id;
        if (d->psz_name != nullptr) {
            QByteArrayView bytes(d->psz_name);
            QStringDecoder decoder(QStringDecoder::Utf8);
            QString name = decoder(bytes);
            if (!decoder.hasError()) {
                track.name = name;
                track.hasName = true;
            }
        }
        tracks.append(track);
    }
    return tracks;
}

class VlcMediaPlayer final : public MediaPlayer {
public:
    VlcMediaPlayer(vlc::Player player, PlayerEvents* events)
        : player_(std::move(player)), events_(events) {}

    ~VlcMediaPlayer() override {
        // libvlc runs the callbacks under its event manager's lock, which detaching
        // takes too: once detached, no callback runs or will run.
        if (attached_) {
            auto* manager = libvlc_media_player_event_manager(player_.get());
            for (auto type : kAttachedEvents)
                libvlc_event_detach(manager, type, onEvent, events_);
        }
        libvlc_media_player_stop(player_.get());
    }

    void attachVideo(VideoSink* sink) override { attachVlcVideo(player_.get(), sink); }

    void attachEvents() override {
        auto* manager = libvlc_media_player_event_manager(player_.get());
        for (auto type : kAttachedEvents)
            libvlc_event_attach(manager, type, onEvent, events_);
        attached_ = true;
    }

    int play() override { return libvlc_media_player_play(player_.get()); }
    void stop() override { libvlc_media_player_stop(player_.get()); }
    void setPause(bool paused) override {
        libvlc_media_player_set_pause(player_.get(), paused ? 1 : 0);
    }
    std::int64_t time() override { return libvlc_media_player_get_time(player_.get()); }
    std::int64_t length() override { return libvlc_media_player_get_length(player_.get()); }
    void setTime(std::int64_t ms) override { libvlc_media_player_set_time(player_.get(), ms); }
    void setVolume(int percent) override { libvlc_audio_set_volume(player_.get(), percent); }
    void setRate(float rate) override { libvlc_media_player_set_rate(player_.get(), rate); }

    QList<TrackDescription> audioTracks() override {
        return readTracks(libvlc_audio_get_track_description(player_.get()));
    }
    int audioTrack() override { return libvlc_audio_get_track(player_.get()); }
    void setAudioTrack(int id) override { libvlc_audio_set_track(player_.get(), id); }
    QList<TrackDescription> subtitleTracks() override {
        return readTracks(libvlc_video_get_spu_description(player_.get()));
    }
    int subtitleTrack() override { return libvlc_video_get_spu(player_.get()); }
    void setSubtitleTrack(int id) override { libvlc_video_set_spu(player_.get(), id); }
    void setSubtitleFile(const QString& path) override {
        // The slave interface replaces libvlc_video_set_subtitle_file (deprecated in
        // libvlc 3) and does the same: load the file and select it.
        const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
        libvlc_media_player_add_slave(player_.get(), libvlc_media_slave_type_subtitle,
                                      uri.constData(), true);
    }

private:
    vlc::Player player_;
    PlayerEvents* events_;
    bool attached_ = false;
};

class VlcEngine final : public Engine {
public:
    explicit VlcEngine(vlc::Instance instance) : instance_(std::move(instance)) {}

    std::unique_ptr<MediaPlayer> open(const QString& url, const QStringList& options,
                                      PlayerEvents* events, OpenError* error) override {
        vlc::Media media(libvlc_media_new_location(instance_.get(), url.toUtf8().constData()));
        if (!media) {
            *error = OpenError::NoMedia;
            return nullptr;
        }
        for (const QString& option : options)
            libvlc_media_add_option(media.get(), option.toUtf8().constData());
        vlc::Player player(libvlc_media_player_new_from_media(media.get()));
        if (!player) {
            *error = OpenError::NoPlayer;
            return nullptr;
        }
        *error = OpenError::None;
        return std::make_unique<VlcMediaPlayer>(std::move(player), events);
    }

private:
    vlc::Instance instance_;
};

} // namespace

std::unique_ptr<Engine> createVlcEngine(const QStringList& args) {
    std::vector<QByteArray> utf8;
    utf8.reserve(args.size());
    for (const QString& arg : args)
        utf8.push_back(arg.toUtf8());
    std::vector<const char*> argv;
    for (const QByteArray& arg : utf8)
        argv.push_back(arg.constData());
    vlc::Instance instance(libvlc_new(static_cast<int>(argv.size()), argv.data()));
    if (!instance)
        return nullptr;
    return std::make_unique<VlcEngine>(std::move(instance));
}

} // namespace velmo
