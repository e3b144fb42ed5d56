// The quality, audio-track and speed menus.

#include "host/controller.h"
#include "host/texts.h"

#include <cmath>
#include <cstdio>

namespace velmo {

QString VelmoPlayerApp::rateTitle(double r) {
    if (std::abs(r - 1.0) < 0.01)
        return text::kRateNormal();
    // At most two significant digits by C printf's rules, whose halfway cases
    // go to the even digit (1.25 gives 1.2). QString::asprintf rounds them up.
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.2g", r);
    return QString::fromLatin1(digits) + QChar(0x00D7);
}

// The chips that show these menus arrive with the bars; until then the menus
// have nowhere to go.
void VelmoPlayerApp::rebuildQualityMenu() {}
void VelmoPlayerApp::rebuildAudioMenu() {}
void VelmoPlayerApp::rebuildRateMenu() {}

} // namespace velmo
