// Choosing between no subtitle, an external track and an embedded one.

#include "host/controller.h"

namespace velmo {

void VelmoPlayerApp::applySubtitleIndex(std::int64_t index) {
    if (index < 0) {
        disableSubtitles();
        return;
    }
    if (index >= subtitles.size())
        return;
    loadExternalSubtitle(subtitles.at(static_cast<qsizetype>(index)));
}

void VelmoPlayerApp::disableSubtitles() {
    subtitleEnabled = false;
    activeTrack.reset();
    if (player)
        player->setSubtitleTrack(-1);
    emitSettings();
    rebuildSubtitleMenu();
}

void VelmoPlayerApp::activateTrack(const std::shared_ptr<SubtitleTrack>& track) {
    activeTrack = track;
    if (player)
        player->setSubtitleTrack(-1);
    subtitleEnabled = true;
    emitSettings();
    updateSubtitleCue();
    rebuildSubtitleMenu();
}

void VelmoPlayerApp::updateSubtitleCue() {}

void VelmoPlayerApp::setSubtitleInset(double) {}

void VelmoPlayerApp::rebuildSubtitleMenu() {}

} // namespace velmo
