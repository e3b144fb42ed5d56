// The "load" command: title, live flag, saved settings, sources and external
// subtitle tracks of the media, then the engine and the start of the URL.

#include "host/controller.h"
#include "host/fields.h"
#include "host/texts.h"
#include "ui/player_window.h"

#include <QJsonArray>
#include <QLabel>
#include <QSlider>

namespace velmo {

namespace {

// The objects of `array` whose "url" is a non-empty string, in order.
QList<QJsonObject> entriesWithUrl(const QJsonValue& array) {
    QList<QJsonObject> entries;
    if (!array.isArray())
        return entries;
    for (const QJsonValue& element : array.toArray()) {
        if (!element.isObject())
            continue;
        const QJsonObject entry = element.toObject();
        if (!stringField(entry, QStringLiteral("url")).value_or(QString()).isEmpty())
            entries.append(entry);
    }
    return entries;
}

} // namespace

void VelmoPlayerApp::startWithPayload(const QJsonObject& payload) {
    started = true;
    closedSent = false;
    ended = false;

    const std::optional<QString> title = stringField(payload, QStringLiteral("title"));
    titleLabel->setText(title.value_or(QString()));
    subtitleLabel->setText(stringField(payload, QStringLiteral("subtitle")).value_or(QString()));
    window->setWindowTitle(title.value_or(QStringLiteral("Velmo")));

    live = truthField(payload, QStringLiteral("isLive")).value_or(false);

    const QJsonValue settings = payload.value(QStringLiteral("settings"));
    if (settings.isObject()) {
        const QJsonObject s = settings.toObject();
        // Taken as given: the limits of the volume and speed operations are not
        // applied to saved settings.
        if (auto v = strictNumberField(s, QStringLiteral("volume")))
            volume = toFloat(*v);
        lastVolume = double(volume) > 0.01 ? volume : 1.0f;
        if (auto r = strictNumberField(s, QStringLiteral("rate")))
            rate = toFloat(*r);
        readStyleFields(s);
    }
    applySubtitleStyle();

    volumeSlider->setValue(roundToInt(double(volume) * 100.0));
    updateVolumeIcon();
    rebuildRateMenu();

    sources.clear();
    for (const QJsonObject& entry : entriesWithUrl(payload.value(QStringLiteral("sources")))) {
        sources.append({stringField(entry, QStringLiteral("quality")).value_or(text::kQuality()),
                        entry.value(QStringLiteral("url")).toString()});
    }
    const QString url = stringField(payload, QStringLiteral("url")).value_or(QString());
    currentQuality.reset();
    for (const SourceEntry& source : sources) {
        if (source.url == url) {
            currentQuality = source.label;
            break;
        }
    }
    rebuildQualityMenu();

    subtitles.clear();
    for (const QJsonObject& entry : entriesWithUrl(payload.value(QStringLiteral("subtitles")))) {
        auto track = std::make_shared<SubtitleTrack>();
        track->url = entry.value(QStringLiteral("url")).toString();
        track->name = stringField(entry, QStringLiteral("language")).value_or(text::kSubtitle());
        subtitles.append(track);
    }

    if (!createEngine())
        return;

    mediaURL = url;
    startPosition = strictNumberField(payload, QStringLiteral("startTime")).value_or(0.0);
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
