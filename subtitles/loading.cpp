// Fetching an external subtitle track.

#include "host/controller.h"
#include "host/texts.h"

namespace velmo {

void VelmoPlayerApp::loadExternalSubtitle(const std::shared_ptr<SubtitleTrack>& track) {
    subtitleEnabled = true;
    if (!track->cues.isEmpty()) {
        activateTrack(track);
        return;
    }
    showToast(text::kSubtitleFetching());
}

} // namespace velmo
