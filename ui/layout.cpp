#include "ui/layout.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

constexpr double kTopBarHeight = 56;
constexpr double kBottomBarHeight = 78;
constexpr double kMinimumChipWidth = 44;
constexpr double kMinimumStretch = 120; // title labels and position slider
constexpr double kChipGap = 8;

// Halves go up, the same way for both edges of a frame.
int roundEdge(double x) {
    return static_cast<int>(std::floor(x + 0.5));
}

void layoutTopBar(WindowFrames& f, double w, const ChipWidths& chips) {
    f.closeButton = {14, 15, 24, 24};
    f.fullscreenButton = {w - 42, 15, 24, 24};
    f.settingsButton = {w - 76, 15, 24, 24};

    // Packed against the right end, right to left, whatever their titles' direction.
    double right = w - 86;
    auto place = [&right](double fitted) {
        const double width = chipWidth(fitted);
        const QRectF frame(right - width, 13, width, 28);
        right -= width + kChipGap;
        return frame;
    };
    f.subtitlePopup = place(chips.subtitle);
    f.audioPopup = place(chips.audio);
    f.qualityPopup = place(chips.quality);

    const double titleWidth = std::max(f.qualityPopup.x() - 58, kMinimumStretch);
    f.titleLabel = {48, 9, titleWidth, 18};
    f.subtitleLabel = {48, 30, titleWidth, 15};
}

void layoutBottomBar(WindowFrames& f, double w, const ChipWidths& chips) {
    f.playButton = {16, 26, 30, 30};
    f.skipBackButton = {f.playButton.x() + 38, 28, 26, 26};
    f.skipForwardButton = {f.skipBackButton.x() + 34, 28, 26, 26};
    f.currentLabel = {f.skipForwardButton.x() + 34, 31, 58, 20};

    const double rate = chipWidth(chips.rate);
    f.ratePopup = {w - 16 - rate, 28, rate, 28};
    const double r = w - 16 - rate - 10; // 10 to the left of the speed chip
    f.volumeSlider = {r - 82, 32, 82, 20};
    f.volumeButton = {r - 114, 30, 24, 24};
    f.durationLabel = {r - 186, 31, 62, 20};

    const double sliderX = f.currentLabel.x() + f.currentLabel.width() + 8;
    f.positionSlider = {sliderX, 31, std::max(r - 194 - sliderX, kMinimumStretch), 20};
    // Under the speed chip and the volume slider, which are drawn over it.
    f.liveBadge = {w - 96, 30, 78, 22};
}

void layoutOverlays(WindowFrames& f, double w, double h) {
    f.centerButton = {w / 2 - 40, h / 2 - 40, 80, 80};
    f.spinner = {w / 2 - 20, h / 2 - 20, 40, 40};
    f.loadingLabel = {w / 2 - 150, h / 2 + 30, 300, 22};
    f.errorLabel = {0.15 * w, h / 2 - 40, 0.7 * w, 90};
    f.toastLabel = {w / 2 - 120, 88, 240, 30};
}

} // namespace

double chipWidth(double fittedWidth) {
    return std::max(fittedWidth, kMinimumChipWidth);
}

WindowFrames layoutFrames(double width, double height, const ChipWidths& chips) {
    WindowFrames f;
    f.video = {0, 0, width, height};
    f.topBar = {0, 0, width, kTopBarHeight};
    f.bottomBar = {0, height - kBottomBarHeight, width, kBottomBarHeight};
    layoutTopBar(f, width, chips);
    layoutBottomBar(f, width, chips);
    layoutOverlays(f, width, height);
    return f;
}

QRect pixelGeometry(const QRectF& r) {
    const int left = roundEdge(r.left());
    const int top = roundEdge(r.top());
    return {left, top, roundEdge(r.right()) - left, roundEdge(r.bottom()) - top};
}

} // namespace velmo
