#pragma once

// The subtitle part: the external tracks of the current media and their
// downloads, the choice between none, an external track (drawn by the player)
// and an embedded one (drawn by the engine), the cue for the position, and the
// style. At most one renderer shows a subtitle at a time. Widget-free: the
// window's overlay and the chip get what they show through the signals.

#include "common/lasting_state.h"
#include "common/menu.h"
#include "subtitles/engine_subtitles.h"
#include "subtitles/fetch.h"
#include "subtitles/model.h"
#include "subtitles/style.h"

#include <QObject>

#include <cstdint>
#include <memory>

namespace velmo {

class SubtitleController : public QObject {
    Q_OBJECT

public:
    SubtitleController(EngineSubtitles& engine, LastingState& lasting, SubtitleFetch fetch,
                       QObject* parent = nullptr);
    ~SubtitleController() override;

    // Whether subtitles are wanted, and how the external ones look.
    bool enabled() const { return enabled_; }
    const SubtitleStyle& style() const { return style_; }
    // A "setSubtitleStyle" or the settings of a "load": applied, not reported.
    void applyPatch(const StylePatch& patch);
    // An edit by the user: applied and reported.
    void editStyle(const SubtitleStyle& style);

    // The external tracks of a new "load", in its order. What was shown of the
    // media before goes; a track of the new list with the same URL (else the
    // same name) as the one shown is shown again once the new media starts.
    void setTracks(const QList<SubtitleTrack>& tracks);
    const QList<std::shared_ptr<SubtitleTrack>>& tracks() const { return tracks_; }
    const std::shared_ptr<SubtitleTrack>& activeTrack() const { return active_; }

    // A URL started (a "load", a quality change, a restart).
    void mediaStarted();
    // A moment after the start: what was shown before the start shows again,
    // unless the user or the parent chose since that start.
    void reactivate();
    // A moment after playing started: the first external track loads by itself,
    // once per process, when subtitles are wanted.
    void loadFirstOnce();

    // The choices: the "setSubtitle" command (negative: off; past the list:
    // nothing), the menu, the subtitle key.
    void applyIndex(std::int64_t index);
    void disable();
    void chooseTrack(const std::shared_ptr<SubtitleTrack>& track);
    void chooseEmbedded(const EmbeddedTrack& track);
    void toggle();

    // The playback position, for the cue to show.
    void setPosition(double seconds);

    // The subtitle chip's menu, made anew.
    Menu menu();
    void rebuildMenu();

    // The process is closing: downloads that finish now change nothing.
    void setClosing() { closing_ = true; }

signals:
    void cueChanged(std::shared_ptr<const SubtitleCue> cue);
    void styleChanged(const SubtitleStyle& style);
    void menuChanged(const Menu& menu);
    void toast(const QString& text);
    // A setting the parent stores changed: it is to get "settings".
    void settingsChanged();

private:
    // Downloads if needed, then shows the track; supersedes every earlier choice.
    void loadTrack(const std::shared_ptr<SubtitleTrack>& track);
    void fetched(const std::shared_ptr<SubtitleTrack>& track, const QByteArray& body);
    void activate(const std::shared_ptr<SubtitleTrack>& track);
    void handToEngine(const std::shared_ptr<SubtitleTrack>& track, const QByteArray& body);
    // A new choice: downloads asked for by earlier ones are abandoned.
    QObject* newChoice();
    void updateCue();

    EngineSubtitles& engine_;
    LastingState& lasting_;
    SubtitleFetch fetch_;
    bool enabled_ = true;
    SubtitleStyle style_;
    QList<std::shared_ptr<SubtitleTrack>> tracks_;
    std::shared_ptr<SubtitleTrack> active_;
    // The owner of the downloads of the latest choice.
    std::unique_ptr<QObject> choice_;
    // A track of a new load that matches the one shown before it.
    std::shared_ptr<SubtitleTrack> carried_;
    // What shows again a moment after the start, and whether someone chose
    // since that start.
    std::shared_ptr<SubtitleTrack> toReactivate_;
    bool chosenSinceStart_ = false;
    double position_ = 0;
    std::shared_ptr<const SubtitleCue> cue_;
    bool closing_ = false;
};

} // namespace velmo
