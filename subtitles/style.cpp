#include "subtitles/style.h"

#include "subtitles/colors.h"

#include <algorithm>

namespace velmo {

double SubtitleStyle::outline() const {
    return std::clamp(size * 0.075, 0.0, 6.0);
}

QColor SubtitleStyle::textColor() const {
    return HexColor(color, Qt::white);
}

QColor SubtitleStyle::backgroundColor() const {
    return HexColor(background, Qt::black);
}

SubtitleStyle patched(SubtitleStyle style, const StylePatch& patch) {
    if (patch.font)
        style.font = *patch.font;
    if (patch.size)
        style.size = *patch.size;
    if (patch.color)
        style.color = *patch.color;
    if (patch.background)
        style.background = *patch.background;
    if (patch.backgroundOpacity)
        style.backgroundOpacity = *patch.backgroundOpacity;
    return style;
}

} // namespace velmo
