// Choosing between no subtitle, an external track (drawn by our overlay) and an
// embedded one (drawn by the engine); the two renderers exclude each other.

#include "host/controller.h"
#include "common/texts.h"
#include "subtitles/cue_lookup.h"
#include "subtitles/overlay.h"
#include "ui/menu_chip.h"

#include <QMenu>

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
    subtitle->setCue(nullptr);
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
    subtitle->setCue(nullptr);
    emitSettings();
    updateSubtitleCue();
    rebuildSubtitleMenu();
    showToast(text::kSubtitleTitle().arg(track->name));
}

void VelmoPlayerApp::updateSubtitleCue() {
    if (subtitle == nullptr)
        return;
    // A size that is not positive draws nothing (the setting itself stays).
    if (!activeTrack || activeTrack->cues.isEmpty() || !subtitleEnabled || !(subtitleSize > 0)) {
        subtitle->setCue(nullptr);
        return;
    }
    const SubtitleCue* cue = cueAt(activeTrack->cues, position);
    // The overlay shares the track's ownership of the cue it holds.
    subtitle->setCue(cue != nullptr ? std::shared_ptr<const SubtitleCue>(activeTrack, cue)
                                    : nullptr);
}

void VelmoPlayerApp::setSubtitleInset(double inset) {
    if (subtitle == nullptr)
        return;
    subtitle->setBottomInset(inset);
    subtitle->refresh();
}

QList<TrackDescription> VelmoPlayerApp::embeddedSubtitleTracks() {
    return player ? choosableTracks(player->subtitleTracks(), text::kEmbeddedUnnamed())
                  : QList<TrackDescription>();
}

void VelmoPlayerApp::rebuildSubtitleMenu() {
    auto* menu = new QMenu;
    QAction* off = menu->addAction(text::kSubtitleOff(), this, [this] { disableSubtitles(); });
    off->setCheckable(true);
    off->setChecked(!activeTrack && !subtitleEnabled);
    if (!subtitles.isEmpty()) {
        menu->addSeparator();
        for (const auto& track : subtitles) {
            // Choosing the active track again shows its toast again.
            QAction* item = menu->addAction(track->name, this, [this, weak = std::weak_ptr(track)] {
                if (auto chosen = weak.lock())
                    loadExternalSubtitle(chosen);
            });
            item->setCheckable(true);
            item->setChecked(track == activeTrack);
        }
    }
    const QList<TrackDescription> embedded = embeddedSubtitleTracks();
    if (!embedded.isEmpty()) {
        menu->addSeparator();
        const int current = player ? player->subtitleTrack() : -1;
        for (const TrackDescription& entry : embedded) {
            QAction* item = menu->addAction(text::kEmbeddedItem().arg(entry.name), this,
                                            [this, entry] { subtitleEmbeddedSelected(entry); });
            item->setCheckable(true);
            item->setChecked(entry.id == current && !activeTrack);
        }
    }
    subtitlePopup->setMenu(menu);
    if (activeTrack)
        subtitlePopup->setTitle(text::kSubtitleTitle().arg(activeTrack->name));
    else
        subtitlePopup->setTitle(subtitleEnabled ? text::kSubtitle() : text::kSubtitleOffChip());
    layoutUI();
}

void VelmoPlayerApp::subtitleEmbeddedSelected(const TrackDescription& entry) {
    if (!player)
        return;
    activeTrack.reset();
    subtitle->setCue(nullptr);
    subtitleEnabled = true;
    player->setSubtitleTrack(entry.id);
    showToast(text::kEmbeddedToast().arg(entry.name));
    emitSettings();
    rebuildSubtitleMenu();
}

void VelmoPlayerApp::toggleSubtitles() {
    if (activeTrack || subtitleEnabled) {
        disableSubtitles();
        return;
    }
    if (!subtitles.isEmpty()) {
        loadExternalSubtitle(subtitles.first()); // always the first, not the last used
        return;
    }
    const QList<TrackDescription> embedded = embeddedSubtitleTracks();
    if (!embedded.isEmpty() && player) {
        // Quietly: no toast and no "settings" on this path.
        player->setSubtitleTrack(embedded.first().id);
        subtitleEnabled = true;
        rebuildSubtitleMenu();
    }
}

} // namespace velmo
