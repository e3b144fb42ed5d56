#pragma once

// The "load" command and the style fields, read from their JSON objects into
// values. Every field is optional; a value of the wrong type counts as missing.

#include "playback/media.h"
#include "subtitles/model.h"
#include "subtitles/style.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace velmo {

struct LoadRequest {
    std::optional<QString> title; // none: the window is titled "Velmo"
    QString subtitle;             // the second line under the title
    bool live = false;

    // The parent's saved settings, when "settings" is an object.
    bool hasSettings = false;
    std::optional<double> volume;
    std::optional<double> rate;
    StylePatch style;

    // In the order of the command; elements without a usable "url" are left out.
    QList<SourceEntry> sources;
    QList<SubtitleTrack> subtitles; // name and URL, no cues yet

    QString url; // empty when missing: the start then fails
    double startTime = 0;
};

LoadRequest readLoadRequest(const QJsonObject& command);

// The style fields of a "setSubtitleStyle" command (at its top level) or of
// the settings inside a "load".
StylePatch readStylePatch(const QJsonObject& object);

} // namespace velmo
