#pragma once

// Downloading an external subtitle file. Each download belongs to an owner
// object: once the owner is gone the download is abandoned and its answer is
// never delivered, so a later choice of track always wins over an earlier one.

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <functional>

namespace velmo {

// Calls `done` with the body, or with nothing when the download failed, unless
// `owner` has been destroyed by then. Tests put a fake behind this.
using SubtitleFetch =
    std::function<void(const QUrl& url, QObject* owner, std::function<void(QByteArray)> done)>;

// The network: a plain GET that follows redirects. Whatever the server answers
// is the file (an error page too); no answer within the deadline, or a body
// past the size cap, is a failed download. The access manager is made on first
// use as a child of `parent`.
SubtitleFetch networkSubtitleFetch(QObject* parent);

// Bodies larger than this are not subtitle files.
constexpr qint64 kMaxSubtitleBytes = 32 * 1024 * 1024;

} // namespace velmo
