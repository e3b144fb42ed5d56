#include "subtitles/subtitle_controller.h"

#include "common/texts.h"
#include "subtitles/cue_lookup.h"
#include "subtitles/handover.h"
#include "subtitles/srt.h"

#include <QUrl>

namespace velmo {

SubtitleController::SubtitleController(EngineSubtitles& engine, LastingState& lasting,
                                       SubtitleFetch fetch, QObject* parent)
    : QObject(parent), engine_(engine), lasting_(lasting), fetch_(std::move(fetch)),
      choice_(std::make_unique<QObject>()) {}

SubtitleController::~SubtitleController() = default;

void SubtitleController::applyPatch(const StylePatch& patch) {
    if (patch.enabled) {
        enabled_ = *patch.enabled;
        chosenSinceStart_ = true; // the parent decided whether subtitles show
    }
    style_ = patched(style_, patch);
    emit styleChanged(style_);
    updateCue();
}

void SubtitleController::editStyle(const SubtitleStyle& style) {
    style_ = style;
    emit styleChanged(style_);
    updateCue();
    emit settingsChanged();
}

void SubtitleController::setTracks(const QList<SubtitleTrack>& tracks) {
    QList<std::shared_ptr<SubtitleTrack>> next;
    for (const SubtitleTrack& track : tracks)
        next.append(std::make_shared<SubtitleTrack>(track));
    // The track shown belongs to the media before: it is not drawn over the new
    // one. Its counterpart in the new list, by URL, else by name, shows again
    // once the new media has started.
    carried_.reset();
    if (active_) {
        for (const auto& track : next) {
            if (track->url == active_->url) {
                carried_ = track;
                break;
            }
        }
        for (qsizetype i = 0; !carried_ && i < next.size(); ++i) {
            if (next[i]->name == active_->name)
                carried_ = next[i];
        }
    }
    tracks_ = next;
    active_.reset();
    newChoice(); // downloads for the old list are of no use now
    updateCue();
}

void SubtitleController::mediaStarted() {
    chosenSinceStart_ = false;
    toReactivate_ = carried_ ? carried_ : active_;
    carried_.reset();
}

void SubtitleController::reactivate() {
    const std::shared_ptr<SubtitleTrack> track = std::move(toReactivate_);
    toReactivate_.reset();
    if (!track || chosenSinceStart_ || !enabled_)
        return;
    loadTrack(track);
}

void SubtitleController::loadFirstOnce() {
    if (lasting_.autoSubtitleTried || !enabled_ || tracks_.isEmpty())
        return; // not used up: a later start may still load it
    lasting_.autoSubtitleTried = true;
    chosenSinceStart_ = true;
    loadTrack(tracks_.first());
}

void SubtitleController::applyIndex(std::int64_t index) {
    if (index < 0) {
        disable();
        return;
    }
    if (index >= tracks_.size())
        return;
    chooseTrack(tracks_.at(static_cast<qsizetype>(index)));
}

void SubtitleController::disable() {
    chosenSinceStart_ = true;
    newChoice();
    enabled_ = false;
    active_.reset();
    engine_.drawTrack(-1);
    updateCue();
    emit settingsChanged();
    rebuildMenu();
}

void SubtitleController::chooseTrack(const std::shared_ptr<SubtitleTrack>& track) {
    chosenSinceStart_ = true;
    loadTrack(track);
}

void SubtitleController::chooseEmbedded(const EmbeddedTrack& track) {
    if (!engine_.hasPlayer())
        return;
    chosenSinceStart_ = true;
    newChoice();
    active_.reset();
    enabled_ = true;
    engine_.drawTrack(track.id);
    updateCue();
    emit toast(text::kEmbeddedToast().arg(track.name));
    emit settingsChanged();
    rebuildMenu();
}

void SubtitleController::toggle() {
    if (active_ || enabled_) {
        disable();
        return;
    }
    if (!tracks_.isEmpty()) {
        chooseTrack(tracks_.first()); // always the first, not the last used
        return;
    }
    const QList<EmbeddedTrack> embedded = engine_.embeddedTracks();
    if (embedded.isEmpty())
        return;
    // Quietly: no toast and no report on this path.
    chosenSinceStart_ = true;
    newChoice();
    engine_.drawTrack(embedded.first().id);
    enabled_ = true;
    rebuildMenu();
}

QObject* SubtitleController::newChoice() {
    choice_ = std::make_unique<QObject>();
    return choice_.get();
}

void SubtitleController::loadTrack(const std::shared_ptr<SubtitleTrack>& track) {
    QObject* owner = newChoice();
    enabled_ = true;
    if (!track->cues.isEmpty()) {
        activate(track);
        return;
    }
    emit toast(text::kSubtitleFetching());
    const QUrl url(track->url, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return;
    fetch_(url, owner, [this, track](QByteArray body) { fetched(track, body); });
}

void SubtitleController::fetched(const std::shared_ptr<SubtitleTrack>& track,
                                 const QByteArray& body) {
    if (closing_)
        return;
    if (body.isEmpty()) {
        emit toast(text::kSubtitleFetchFailed());
        return;
    }
    track->cues = ParseSubtitle(DecodeSubtitleData(body));
    if (!track->cues.isEmpty()) {
        activate(track);
        return;
    }
    handToEngine(track, body);
}

void SubtitleController::handToEngine(const std::shared_ptr<SubtitleTrack>& track,
                                      const QByteArray& body) {
    // Not SRT (another format, an error page): the engine may know it. It then
    // draws this track, so the overlay stops drawing the one it drew.
    const QString path = writeHandOverFile(track->url, body);
    if (active_) {
        active_.reset();
        updateCue();
        rebuildMenu();
    }
    if (engine_.drawFile(path))
        emit toast(text::kSubtitleToEngine());
}

void SubtitleController::activate(const std::shared_ptr<SubtitleTrack>& track) {
    active_ = track;
    engine_.drawTrack(-1); // one renderer at a time
    enabled_ = true;
    cue_.reset();
    emit cueChanged(nullptr);
    emit settingsChanged();
    updateCue();
    rebuildMenu();
    emit toast(text::kSubtitleTitle().arg(track->name));
}

void SubtitleController::setPosition(double seconds) {
    position_ = seconds;
    updateCue();
}

void SubtitleController::updateCue() {
    std::shared_ptr<const SubtitleCue> next;
    // A size that is not positive draws nothing (the setting itself stays).
    if (active_ && !active_->cues.isEmpty() && enabled_ && style_.size > 0) {
        if (const SubtitleCue* cue = cueAt(active_->cues, position_))
            next = std::shared_ptr<const SubtitleCue>(active_, cue); // shares the track's cues
    }
    if (next == cue_)
        return;
    cue_ = next;
    emit cueChanged(cue_);
}

Menu SubtitleController::menu() {
    Menu menu;
    menu.entries.append(
        {text::kSubtitleOff(), !active_ && !enabled_, false, [this] { disable(); }});
    if (!tracks_.isEmpty()) {
        menu.entries.append(MenuEntry::line());
        for (const auto& track : tracks_) {
            // Choosing the active track again shows its toast again.
            menu.entries.append({track->name, track == active_, false,
                                 [this, weak = std::weak_ptr(track)] {
                                     if (auto chosen = weak.lock())
                                         chooseTrack(chosen);
                                 }});
        }
    }
    const QList<EmbeddedTrack> embedded = engine_.embeddedTracks();
    if (!embedded.isEmpty()) {
        menu.entries.append(MenuEntry::line());
        const int current = engine_.drawnTrack();
        for (const EmbeddedTrack& track : embedded) {
            menu.entries.append({text::kEmbeddedItem().arg(track.name),
                                 track.id == current && !active_, false,
                                 [this, track] { chooseEmbedded(track); }});
        }
    }
    if (active_)
        menu.chipTitle = text::kSubtitleTitle().arg(active_->name);
    else
        menu.chipTitle = enabled_ ? text::kSubtitle() : text::kSubtitleOffChip();
    return menu;
}

void SubtitleController::rebuildMenu() {
    emit menuChanged(menu());
}

} // namespace velmo
