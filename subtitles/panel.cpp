// The style panel: the popup in which the user edits the subtitle style.

#include "host/controller.h"

namespace velmo {

void VelmoPlayerApp::styleChanged() {
    applySubtitleStyle();
    emitSettings();
}

void VelmoPlayerApp::showStylePanel(QWidget* anchor) {
    // The panel itself is being built; until then the gear only keeps the bars up.
    Q_UNUSED(anchor);
    showControls();
}

} // namespace velmo
