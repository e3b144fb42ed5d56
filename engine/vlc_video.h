#pragma once

#include <vlc/vlc.h>

namespace velmo {

class VideoSink;

// Connects the player's video callbacks to `sink`; the sink must outlive the
// player's video output (the player is stopped before the sink goes away).
void attachVlcVideo(libvlc_media_player_t* player, VideoSink* sink);

} // namespace velmo
