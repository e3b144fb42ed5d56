// The quality, audio-track and speed menus. Menus are never edited in place:
// each rebuild makes a new menu from the current state, marks the current
// choice and retitles its chip.

#include "host/controller.h"
#include "common/texts.h"
#include "ui/menu_chip.h"

#include <QMenu>

#include <cmath>
#include <cstdio>

namespace velmo {

namespace {

constexpr double kSpeeds[] = {0.5, 0.75, 1, 1.25, 1.5, 1.75, 2};

bool known(const std::optional<QString>& choice) {
    return choice && !choice->isEmpty();
}

QAction* addChoice(QMenu* menu, const QString& title, bool checked, std::function<void()> run) {
    QAction* item = menu->addAction(title);
    item->setCheckable(true);
    item->setChecked(checked);
    QObject::connect(item, &QAction::triggered, menu, std::move(run));
    return item;
}

} // namespace

QString VelmoPlayerApp::rateTitle(double r) {
    if (std::abs(r - 1.0) < 0.01)
        return text::kRateNormal();
    // At most two significant digits by C printf's rules, whose halfway cases
    // go to the even digit (1.25 gives 1.2). QString::asprintf rounds them up.
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.2g", r);
    return QString::fromLatin1(digits) + QChar(0x00D7);
}

void VelmoPlayerApp::rebuildQualityMenu() {
    auto* menu = new QMenu;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        addChoice(menu, sources[i].label, currentQuality && sources[i].label == *currentQuality,
                  [this, i] { qualityItemSelected(i); });
    }
    qualityPopup->setMenu(menu);
    qualityPopup->setTitle(known(currentQuality) ? text::kQualityTitle().arg(*currentQuality)
                                                 : text::kQuality());
    layoutUI();
}

void VelmoPlayerApp::qualityItemSelected(qsizetype index) {
    if (index < 0 || index >= sources.size())
        return;
    const SourceEntry source = sources.at(index);
    if (source.url.isEmpty())
        return;
    currentQuality = source.label;
    mediaURL = source.url;
    // The new source starts where the old one was.
    playCurrentURL(source.url, position);
    rebuildQualityMenu();
    showToast(text::kQualityTitle().arg(source.label));
}

QList<TrackDescription> VelmoPlayerApp::audioTracks() {
    return player ? choosableTracks(player->audioTracks(), text::kAudio())
                  : QList<TrackDescription>();
}

void VelmoPlayerApp::rebuildAudioMenu() {
    auto* menu = new QMenu;
    const int current = player ? player->audioTrack() : -1;
    for (const TrackDescription& entry : audioTracks())
        addChoice(menu, entry.name, entry.id == current,
                  [this, entry] { audioItemSelected(entry); });
    audioPopup->setMenu(menu);
    audioPopup->setTitle(known(currentAudioName) ? text::kAudioTitle().arg(*currentAudioName)
                                                 : text::kAudio());
    layoutUI();
}

void VelmoPlayerApp::audioItemSelected(const TrackDescription& entry) {
    if (!player)
        return;
    player->setAudioTrack(entry.id);
    currentAudioName = entry.name;
    showToast(text::kAudioTitle().arg(entry.name));
    rebuildAudioMenu();
}

void VelmoPlayerApp::rebuildRateMenu() {
    auto* menu = new QMenu;
    for (double speed : kSpeeds) {
        addChoice(menu, rateTitle(speed), std::abs(speed - double(rate)) < 0.01,
                  [this, speed] { applyRate(speed); });
    }
    ratePopup->setMenu(menu);
    ratePopup->setTitle(text::kRateTitle().arg(rateTitle(rate)));
    layoutUI();
}

} // namespace velmo
