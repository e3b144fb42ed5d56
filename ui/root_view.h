#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace velmo {

class VelmoPlayerControls;

// The edges of a window `size` big whose resize handle a point lies on: those
// within `margin` of the point. No edges for a point farther in or outside.
Qt::Edges resizeEdgesAt(QPoint pos, QSize size, int margin);

// The window's content: paints black, keeps the keyboard focus (the controls in
// the bars never take it) and turns input into the controller's requests:
// - pointer movement anywhere over the window (bars and buttons included)
//   while the window is active: mouseActivity();
// - a single click: toggleControls(), on the release, so that a drag that moves
//   the window does not toggle the bars;
// - the second press of a double click and every further press of the same
//   multi-click: toggleFullscreen(), at the press;
// - every key press, Tab included: handleKey(), and the key goes no further.
// Presses that other widgets leave unhandled (the bars' background) arrive here
// too. Dragging the background moves the window (outside fullscreen); in a
// frameless window, presses within kResizeMargin of its edges resize it
// (outside fullscreen and maximised states).
class PlayerRootView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kResizeMargin = 6;

    explicit PlayerRootView(QWidget* parent = nullptr);

    // The controller, not owned: it outlives the view, or is cleared here
    // before it goes (null sends nothing).
    VelmoPlayerControls* app() const { return app_; }
    void setApp(VelmoPlayerControls* app) { app_ = app; }

    // Blanks the pointer over the window until it next moves, whether the
    // window is active or not. Only this window: an open menu keeps its pointer.
    void hidePointerUntilMoved();
    void showPointer();
    bool pointerHidden() const { return pointerHidden_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The click count of this press within its multi-click (1 for a single
    // press), or 0 when the event repeats a press already counted.
    int countClick(const QMouseEvent& event, bool doubleClick);
    void press(QMouseEvent* event, bool doubleClick);
    Qt::Edges edgesUnder(QPoint windowPos) const;
    bool canResize() const;
    void updateEdgeCursor(QPoint windowPos);
    bool moveWindow(QPoint globalPos);

    VelmoPlayerControls* app_ = nullptr;
    // The native window whose pointer movement is watched: movement over the
    // bars and buttons counts too, though they keep the events to themselves.
    QPointer<QWindow> watched_;

    // The multi-click the last press belonged to.
    int clickCount_ = 0;
    quint64 lastPressTime_ = 0;
    QPoint lastPressPos_;

    // A single press waiting to become a click or a window move.
    bool pending_ = false;
    bool movingByHand_ = false; // the platform cannot move windows itself
    QPoint pressGlobal_;
    QPoint windowOrigin_;
    bool edgeCursor_ = false;
    bool pointerHidden_ = false;
    QPoint pointerAt_; // global position when the pointer was hidden
};

} // namespace velmo
