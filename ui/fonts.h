#pragma once

#include <QFont>
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

// The font of the window's texts: Vazirmatn, the player's own Persian font,
// once registered, else the application's font; at `pointSize` and `weight`.
QFont uiFont(double pointSize, QFont::Weight weight);

// True when the ten Latin digits all advance by the same width in `font`.
bool hasEqualDigits(const QFont& font);

// The font of the time labels: the window's font if its digits are of equal
// width (so the text does not jiggle as the seconds change), else a common
// sans-serif with equal digits, else the system's fixed-pitch font.
QFont clockFont(double pointSize, QFont::Weight weight);

} // namespace velmo
