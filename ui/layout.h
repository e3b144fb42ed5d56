#pragma once

// The frames of every bar, control and overlay of the player window, computed
// from the content's size and the widths the four menu chips need. Frames are
// in the coordinates of the view that holds the child (origin at its top-left
// corner, y growing downwards), fractions kept; pixelGeometry() makes whole
// pixels of them.

#include <QRect>
#include <QRectF>

namespace velmo {

// The width layout gives a chip: its fitted width, but never below 44.
double chipWidth(double fittedWidth);

// The widths the four chips ask for (MenuChip::fittedWidth()); layout raises
// each one to chipWidth(), so widths that already went through it are fine too.
struct ChipWidths {
    double quality = 0;
    double audio = 0;
    double subtitle = 0;
    double rate = 0;
};

struct WindowFrames {
    // In the content view.
    QRectF video; // the subtitle overlay gets the same frame
    QRectF topBar;
    QRectF bottomBar;

    // In the top bar.
    QRectF closeButton;
    QRectF fullscreenButton;
    QRectF settingsButton;
    QRectF subtitlePopup;
    QRectF audioPopup;
    QRectF qualityPopup;
    QRectF titleLabel;
    QRectF subtitleLabel;

    // In the bottom bar.
    QRectF playButton;
    QRectF skipBackButton;
    QRectF skipForwardButton;
    QRectF currentLabel;
    QRectF ratePopup;
    QRectF volumeSlider;
    QRectF volumeButton;
    QRectF durationLabel;
    QRectF positionSlider;
    QRectF liveBadge;

    // Overlays, in the content view.
    QRectF centerButton;
    QRectF spinner;
    QRectF loadingLabel;
    QRectF errorLabel;
    QRectF toastLabel;
};

// Every frame for a content view `width` × `height`. Nothing is hidden when the
// window is narrow: the title labels and the position slider keep 120 points
// and then overlap their right-hand neighbours.
WindowFrames layoutFrames(double width, double height, const ChipWidths& chips);

// A frame as whole pixels for QWidget::setGeometry: each edge is rounded on its
// own, so neighbours that touch keep touching and a frame at a half-point
// position keeps its width.
QRect pixelGeometry(const QRectF& frame);

} // namespace velmo
