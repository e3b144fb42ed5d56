#pragma once

#include <QString>

namespace velmo {

// A private directory (mode 0700, owned by this user) for the player's own
// temporary files: "velmo" under $XDG_RUNTIME_DIR, or "velmo-<uid>" under the
// temporary directory when that is unset. An existing entry of that name that
// is not a directory of ours (a symlink, another user's) is never used; a fresh
// private directory is made instead. Empty when nothing can be made.
QString privateTempDirectory();

// The same rule under an explicit base; for tests.
QString privateTempDirectoryUnder(const QString& base, const QString& name);

} // namespace velmo
