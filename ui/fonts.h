#pragma once

#include <QString>
#include <QStringList>

namespace velmo {

// The application's "Fonts" resource folder: next to the executable in the build
// tree, or share/velmo-player/Fonts beside an installed one. Empty when neither
// exists.
QString fontsFolder();

// Registers every .ttf and .otf file directly inside `folder` (extension in any
// letter case; subfolders are not searched) for this process only. Files that
// cannot be registered are skipped. Returns the families that were added.
QStringList registerFontsIn(const QString& folder);

} // namespace velmo
