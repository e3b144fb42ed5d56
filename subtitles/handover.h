#pragma once

// A subtitle file that gives no cue is handed to the engine, which may know
// its format; it goes through a file in the player's private directory.

#include <QByteArray>
#include <QString>

namespace velmo {

// The name under which a subtitle file from `url` is handed to the engine:
// "velmo-sub-<n>.srt", the same for the same URL text.
QString subtitleFileName(const QString& url);

// Writes `body` unchanged (atomically) under that name and returns its path;
// the path is returned also when the write failed.
QString writeHandOverFile(const QString& url, const QByteArray& body);

} // namespace velmo
