// The subtitle style on the controller: from commands into the overlay.

#include "host/controller.h"
#include "subtitles/font_lookup.h"
#include "subtitles/overlay.h"

namespace velmo {

void VelmoPlayerApp::applyStylePatch(const StylePatch& patch) {
    if (patch.enabled)
        subtitleEnabled = *patch.enabled;
    const SubtitleStyle style = patched(
        SubtitleStyle{subtitleFont, subtitleSize, subtitleColorHex, subtitleBoxHex,
                      subtitleBoxOpacity},
        patch);
    subtitleFont = style.font;
    subtitleSize = style.size;
    subtitleColorHex = style.color;
    subtitleBoxHex = style.background;
    subtitleBoxOpacity = style.backgroundOpacity;
}

void VelmoPlayerApp::applyStyleFrom(const StylePatch& patch) {
    applyStylePatch(patch);
    applySubtitleStyle();
}

void VelmoPlayerApp::applySubtitleStyle() {
    if (subtitle == nullptr)
        return;
    const SubtitleStyle style{subtitleFont, subtitleSize, subtitleColorHex, subtitleBoxHex,
                              subtitleBoxOpacity};
    subtitle->setFont(ResolveFont(style.font, style.size));
    subtitle->setTextColor(style.textColor());
    subtitle->setBoxColor(style.backgroundColor());
    subtitle->setBoxOpacity(style.backgroundOpacity);
    subtitle->setOutline(style.outline());
    subtitle->refresh();
    updateSubtitleCue();
}

} // namespace velmo
