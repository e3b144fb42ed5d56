// The quality, audio-track and speed menus, each made anew from the current
// state with its current choice marked and its chip's title.

#include "common/texts.h"
#include "playback/media_session.h"
#include "playback/playback.h"

#include <cmath>
#include <cstdio>

namespace velmo {

namespace {

bool known(const std::optional<QString>& choice) {
    return choice && !choice->isEmpty();
}

} // namespace

QString rateTitle(double r) {
    if (std::abs(r - 1.0) < 0.01)
        return text::kRateNormal();
    // At most two significant digits by C printf's rules, whose halfway cases
    // go to the even digit (1.25 gives 1.2). QString::asprintf rounds them up.
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.2g", r);
    return QString::fromLatin1(digits) + QChar(0x00D7);
}

Menu Playback::qualityMenu() {
    Menu menu;
    for (qsizetype i = 0; i < sources_.size(); ++i) {
        menu.entries.append({sources_[i].label,
                             currentQuality_ && sources_[i].label == *currentQuality_, false,
                             [this, i] { chooseQuality(i); }});
    }
    menu.chipTitle =
        known(currentQuality_) ? text::kQualityTitle().arg(*currentQuality_) : text::kQuality();
    return menu;
}

Menu Playback::audioMenu() {
    Menu menu;
    if (hasPlayer()) {
        const int current = session_->player()->audioTrack();
        for (const TrackDescription& track :
             choosableTracks(session_->player()->audioTracks(), text::kAudio())) {
            menu.entries.append(
                {track.name, track.id == current, false, [this, track] { chooseAudioTrack(track); }});
        }
    }
    // The title names the user's last choice, not the engine's current track.
    menu.chipTitle =
        known(currentAudioName_) ? text::kAudioTitle().arg(*currentAudioName_) : text::kAudio();
    return menu;
}

Menu Playback::rateMenu() {
    Menu menu;
    for (double speed : kSpeeds) {
        menu.entries.append({rateTitle(speed), std::abs(speed - double(rate())) < 0.01, false,
                             [this, speed] { applyRate(speed); }});
    }
    menu.chipTitle = text::kRateTitle().arg(rateTitle(rate()));
    return menu;
}

} // namespace velmo
