#pragma once

class QKeyEvent;

namespace velmo {

// What the window's content view asks of the controller. The view knows the
// controller only through this interface.
class VelmoPlayerControls {
public:
    virtual ~VelmoPlayerControls() = default;

    // The mouse moved over the window while it was the active window.
    virtual void mouseActivity() = 0;
    // A single click on the picture.
    virtual void toggleControls() = 0;
    // A double (or further) click on the picture.
    virtual void toggleFullscreen() = 0;
    // A key press reached the content view; it goes no further.
    virtual void handleKey(QKeyEvent* event) = 0;
};

} // namespace velmo
