#pragma once

#include <vlc/vlc.h>

namespace velmo {

class VideoSink;

// Connects the player's video callbacks to `sink` and lets the sink ask the
// player for the picture's visible size and sample aspect ratio. The sink must
// outlive the player's video output (the player is stopped before the sink goes
// away).
void attachVlcVideo(libvlc_media_player_t* player, VideoSink* sink);

} // namespace velmo
