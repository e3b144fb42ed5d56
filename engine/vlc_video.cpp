#include "engine/vlc_video.h"

#include "engine/video_sink.h"

namespace velmo {

namespace {

unsigned onFormat(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                  unsigned* lines) {
    auto* sink = static_cast<VideoSink*>(*opaque);
    return sink->format(chroma, width, height, pitches, lines);
}

void onCleanup(void* opaque) {
    static_cast<VideoSink*>(opaque)->cleanup();
}

void* onLock(void* opaque, void** planes) {
    return static_cast<VideoSink*>(opaque)->lock(planes);
}

void onUnlock(void* opaque, void* picture, void* const*) {
    static_cast<VideoSink*>(opaque)->unlock(picture);
}

void onDisplay(void* opaque, void* picture) {
    static_cast<VideoSink*>(opaque)->display(picture);
}

// Runs on the engine's video thread (format and unlock); a stop on the GUI thread
// meanwhile does not deadlock against it (tried with a format callback held
// while the player stopped). libvlc reads the size from the media's track list,
// so what it says depends on the container: right from the first format for
// MP4, Matroska and raw H.264; zero until the first picture, or longer, for
// MPEG-TS; and where a container's size disagrees with the stream's cropping,
// the container's until the decoder corrects it (by the first unlock).
PictureShape queryShape(libvlc_media_player_t* player) {
    PictureShape shape;
    unsigned width = 0;
    unsigned height = 0;
    if (libvlc_video_get_size(player, 0, &width, &height) != 0)
        return shape;
    shape.width = width;
    shape.height = height;
    libvlc_media_t* media = libvlc_media_player_get_media(player);
    if (media == nullptr)
        return shape;
    libvlc_media_track_t** tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &tracks);
    for (unsigned i = 0; i < count; ++i) {
        const libvlc_media_track_t* track = tracks[i];
        if (track->i_type == libvlc_track_video && track->video != nullptr &&
            track->video->i_width == width && track->video->i_height == height) {
            shape.sarNum = track->video->i_sar_num;
            shape.sarDen = track->video->i_sar_den;
            break;
        }
    }
    if (count > 0)
        libvlc_media_tracks_release(tracks, count);
    libvlc_media_release(media);
    return shape;
}

} // namespace

void attachVlcVideo(libvlc_media_player_t* player, VideoSink* sink) {
    if (sink == nullptr)
        return;
    sink->setShapeQuery([player] { return queryShape(player); });
    libvlc_video_set_callbacks(player, onLock, onUnlock, onDisplay, sink);
    libvlc_video_set_format_callbacks(player, onFormat, onCleanup);
}

} // namespace velmo
