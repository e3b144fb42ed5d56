// The quality, audio-track and speed menus.

#include "host/controller.h"
#include "host/texts.h"

#include <cmath>

namespace velmo {

QString VelmoPlayerApp::rateTitle(double r) {
    if (std::abs(r - 1.0) < 0.01)
        return text::kRateNormal();
    // At most two significant digits by printf's rules (1.25 gives 1.2).
    return QString::asprintf("%.2g", r) + QChar(0x00D7);
}

// The chips that show these menus arrive with the bars; until then the menus
// have nowhere to go.
void VelmoPlayerApp::rebuildQualityMenu() {}
void VelmoPlayerApp::rebuildAudioMenu() {}
void VelmoPlayerApp::rebuildRateMenu() {}

} // namespace velmo
