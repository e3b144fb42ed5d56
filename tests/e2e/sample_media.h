#pragma once

// Media for the tests, made with ffmpeg at test time (nothing is committed).

#include <QString>

namespace velmo::e2e {

// Writes a clip of `seconds` to `path`: 320×240 H.264 at 25 fps with a key frame
// every second (so that seeks land where asked), and two AAC audio tracks, tagged
// Persian and English. The index sits at the end of the file, as ffmpeg writes
// it by default, so a player reading over HTTP has to ask for byte ranges.
// Returns an empty string on success, else what went wrong.
QString generateClip(const QString& path, int seconds);

// Writes a clip of `seconds` to `path` whose every frame is the same dark grey
// (0x202020), 320×180 H.264 at 25 fps without audio: anything bright on screen
// over it was drawn by the player, and two screenshots of the same subtitle
// compare equal. Returns an empty string on success, else what went wrong.
QString generateDarkClip(const QString& path, int seconds);

// Copies the clip at `from` to `to` with its index moved to the front, as a
// streaming server would have it: it plays from the first bytes on. Returns an
// empty string on success, else what went wrong.
QString remuxWithIndexFirst(const QString& from, const QString& to);

} // namespace velmo::e2e
