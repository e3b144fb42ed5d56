#pragma once

// RAII handles for libvlc objects. Only the engine wrapper includes this file.

#include <vlc/vlc.h>

#include <memory>

namespace velmo::vlc {

template <auto ReleaseFn> struct Release {
    template <typename T> void operator()(T* p) const { ReleaseFn(p); }
};

using Instance = std::unique_ptr<libvlc_instance_t, Release<libvlc_release>>;
using Media = std::unique_ptr<libvlc_media_t, Release<libvlc_media_release>>;
using Player = std::unique_ptr<libvlc_media_player_t, Release<libvlc_media_player_release>>;
using TrackList =
    std::unique_ptr<libvlc_track_description_t, Release<libvlc_track_description_list_release>>;

} // namespace velmo::vlc
