#include "protocol/load_request.h"

#include "common/texts.h"
#include "protocol/fields.h"

#include <QJsonArray>

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

StylePatch readStylePatch(const QJsonObject& object) {
    StylePatch patch;
    patch.enabled = truthField(object, QStringLiteral("subtitleEnabled"));
    patch.font = stringField(object, QStringLiteral("subtitleFont"));
    patch.size = strictNumberField(object, QStringLiteral("subtitleSize"));
    patch.color = stringField(object, QStringLiteral("subtitleColor"));
    patch.background = stringField(object, QStringLiteral("subtitleBackground"));
    patch.backgroundOpacity = strictNumberField(object, QStringLiteral("subtitleBackgroundOpacity"));
    return patch;
}

LoadRequest readLoadRequest(const QJsonObject& command) {
    LoadRequest request;
    request.title = stringField(command, QStringLiteral("title"));
    request.subtitle = stringField(command, QStringLiteral("subtitle")).value_or(QString());
    request.live = truthField(command, QStringLiteral("isLive")).value_or(false);

    const QJsonValue settings = command.value(QStringLiteral("settings"));
    if (settings.isObject()) {
        const QJsonObject s = settings.toObject();
        request.hasSettings = true;
        request.volume = strictNumberField(s, QStringLiteral("volume"));
        request.rate = strictNumberField(s, QStringLiteral("rate"));
        request.style = readStylePatch(s);
    }

    for (const QJsonObject& entry : entriesWithUrl(command.value(QStringLiteral("sources")))) {
        request.sources.append(
            {stringField(entry, QStringLiteral("quality")).value_or(text::kQuality()),
             entry.value(QStringLiteral("url")).toString()});
    }
    for (const QJsonObject& entry : entriesWithUrl(command.value(QStringLiteral("subtitles")))) {
        SubtitleTrack track;
        track.url = entry.value(QStringLiteral("url")).toString();
        track.name = stringField(entry, QStringLiteral("language")).value_or(text::kSubtitle());
        request.subtitles.append(track);
    }

    request.url = stringField(command, QStringLiteral("url")).value_or(QString());
    request.startTime = strictNumberField(command, QStringLiteral("startTime")).value_or(0.0);
    return request;
}

} // namespace velmo
