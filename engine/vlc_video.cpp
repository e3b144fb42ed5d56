#include "engine/vlc_video.h"

#include "engine/video_sink.h"

namespace velmo {

namespace {

unsigned onFormat(void** opaque, char* chroma, unsigned* width, unsigned* height,
                  unsigned* pitches, unsigned* lines) {
    auto* sink = static_cast<VideoSink*>(*opaque);
    return sink->format(chroma, width, height, pitches, lines);
}

void onCleanup(void* opaque) { static_cast<VideoSink*>(opaque)->cleanup(); }

void* onLock(void* opaque, void** planes) { return static_cast<VideoSink*>(opaque)->lock(planes); }

void onUnlock(void* opaque, void* picture, void* const*) {
    static_cast<VideoSink*>(opaque)->unlock(picture);
}

void onDisplay(void* opaque, void* picture) { static_cast<VideoSink*>(opaque)->display(picture); }

} // namespace

void attachVlcVideo(libvlc_media_player_t* player, VideoSink* sink) {
    if (sink == nullptr)
        return;
    libvlc_video_set_callbacks(player, onLock, onUnlock, onDisplay, sink);
    libvlc_video_set_format_callbacks(player, onFormat, onCleanup);
}

} // namespace velmo
