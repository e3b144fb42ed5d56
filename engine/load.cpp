// The "load" command: title, live flag, saved settings, sources and external
// subtitle tracks of the media, then the engine and the start of the URL.

#include "common/numbers.h"
#include "host/controller.h"
#include "common/texts.h"
#include "ui/player_window.h"

#include <QLabel>
#include <QSlider>

namespace velmo {

void VelmoPlayerApp::startWithPayload(const LoadRequest& request) {
    started = true;
    ended = false;

    titleLabel->setText(request.title.value_or(QString()));
    subtitleLabel->setText(request.subtitle);
    window->setWindowTitle(request.title.value_or(QStringLiteral("Velmo")));
    live = request.live;

    if (request.hasSettings) {
        // Taken as given: the limits of the volume and speed operations are not
        // applied to saved settings.
        if (request.volume)
            volume = toFloat(*request.volume);
        lastVolume = double(volume) > 0.01 ? volume : 1.0f;
        if (request.rate)
            rate = toFloat(*request.rate);
        applyStylePatch(request.style);
    }
    applySubtitleStyle();

    volumeSlider->setValue(enginePercent(volume));
    updateVolumeIcon();
    rebuildRateMenu();

    sources = request.sources;
    currentQuality.reset();
    for (const SourceEntry& source : sources) {
        if (source.url == request.url) {
            currentQuality = source.label;
            break;
        }
    }
    rebuildQualityMenu();

    subtitles.clear();
    for (const SubtitleTrack& track : request.subtitles)
        subtitles.append(std::make_shared<SubtitleTrack>(track));

    if (!createEngine())
        return;

    mediaURL = request.url;
    startPosition = request.startTime;
    playCurrentURL(mediaURL, startPosition);
    rebuildSubtitleMenu();
    rebuildAudioMenu();

    if (!enteredFullscreen) {
        enteredFullscreen = true;
        scheduleAfter(350, [this] {
            if (window != nullptr && !window->isFullScreen() && !closing)
                toggleFullscreen();
        });
    }
}

} // namespace velmo
