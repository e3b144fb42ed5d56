#include "ui/root_view.h"

#include "ui/player_controls.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QWindow>

namespace velmo {

Qt::Edges resizeEdgesAt(QPoint pos, QSize size, int margin) {
    Qt::Edges edges;
    if (!QRect(QPoint(), size).contains(pos))
        return edges;
    if (pos.x() < margin)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= size.width() - margin)
        edges |= Qt::RightEdge;
    if (pos.y() < margin)
        edges |= Qt::TopEdge;
    else if (pos.y() >= size.height() - margin)
        edges |= Qt::BottomEdge;
    return edges;
}

namespace {

Qt::CursorShape edgeCursor(Qt::Edges edges) {
    const bool left = edges & Qt::LeftEdge;
    const bool right = edges & Qt::RightEdge;
    const bool top = edges & Qt::TopEdge;
    const bool bottom = edges & Qt::BottomEdge;
    if ((left && top) || (right && bottom))
        return Qt::SizeFDiagCursor;
    if ((right && top) || (left && bottom))
        return Qt::SizeBDiagCursor;
    if (left || right)
        return Qt::SizeHorCursor;
    return Qt::SizeVerCursor;
}

} // namespace

PlayerRootView::PlayerRootView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayerRootView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
}

bool PlayerRootView::canResize() const {
    const QWidget* top = window();
    return top->windowHandle() != nullptr && (top->windowFlags() & Qt::FramelessWindowHint) &&
           !(top->windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized));
}

Qt::Edges PlayerRootView::edgesUnder(QPoint windowPos) const {
    return resizeEdgesAt(windowPos, window()->size(), kResizeMargin);
}

int PlayerRootView::countClick(const QMouseEvent& event, bool doubleClick) {
    const quint64 time = event.timestamp();
    const QPoint pos = event.globalPosition().toPoint();
    // A press can arrive twice, as a press and as a double-click (synthetic
    // events do that); count it once.
    if (clickCount_ > 0 && time == lastPressTime_ && pos == lastPressPos_)
        return 0;
    // The platform turns the second press of a double click into a
    // double-click event and a third one into a plain press again; counting
    // here keeps the count going the way the user clicks.
    const QStyleHints* hints = QGuiApplication::styleHints();
    const bool continues =
        clickCount_ > 0 && time >= lastPressTime_ &&
        time - lastPressTime_ <= quint64(hints->mouseDoubleClickInterval()) &&
        (pos - lastPressPos_).manhattanLength() <= hints->mouseDoubleClickDistance();
    clickCount_ = continues ? clickCount_ + 1 : doubleClick ? 2 : 1;
    lastPressTime_ = time;
    lastPressPos_ = pos;
    return clickCount_;
}

void PlayerRootView::press(QMouseEvent* event, bool doubleClick) {
    setFocus(Qt::MouseFocusReason);
    if (!doubleClick && canResize()) {
        const Qt::Edges edges = edgesUnder(mapTo(window(), event->position().toPoint()));
        if (edges && window()->windowHandle()->startSystemResize(edges)) {
            pending_ = false;
            clickCount_ = 0;
            return;
        }
    }
    const int count = countClick(*event, doubleClick);
    if (count == 0)
        return;
    pending_ = false;
    movingByHand_ = false;
    if (count >= 2) {
        if (app_)
            app_->toggleFullscreen();
        return;
    }
    // A single press becomes a click at the release, or a window move once
    // the pointer has travelled.
    pending_ = true;
    pressGlobal_ = event->globalPosition().toPoint();
    windowOrigin_ = window()->pos();
}

void PlayerRootView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        press(event, false);
}

void PlayerRootView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        press(event, true);
}

bool PlayerRootView::moveWindow(QPoint globalPos) {
    QWidget* top = window();
    if (movingByHand_) {
        top->move(windowOrigin_ + globalPos - pressGlobal_);
        return true;
    }
    if ((globalPos - pressGlobal_).manhattanLength() < QApplication::startDragDistance())
        return false;
    if (!top->isWindow() || (top->windowState() & Qt::WindowFullScreen))
        return false;
    // A drag is no click: the next press starts a new count.
    clickCount_ = 0;
    if (top->windowHandle() && top->windowHandle()->startSystemMove()) {
        // The window manager has the pointer now; no release comes back here.
        pending_ = false;
        return true;
    }
    movingByHand_ = true;
    top->move(windowOrigin_ + globalPos - pressGlobal_);
    return true;
}

void PlayerRootView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (pending_ && (event->buttons() & Qt::LeftButton))
        moveWindow(event->globalPosition().toPoint());
}

void PlayerRootView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The native window can be new (first show, changed window flags).
    QWindow* native = window()->windowHandle();
    if (native == watched_)
        return;
    if (watched_)
        watched_->removeEventFilter(this);
    watched_ = native;
    if (native)
        native->installEventFilter(this);
}

void PlayerRootView::hidePointerUntilMoved() {
    if (pointerHidden_)
        return;
    pointerHidden_ = true;
    pointerAt_ = QCursor::pos();
    edgeCursor_ = false;
    setCursor(Qt::BlankCursor);
}

void PlayerRootView::showPointer() {
    if (!pointerHidden_)
        return;
    pointerHidden_ = false;
    unsetCursor();
}

bool PlayerRootView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watched_ && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        // Hiding the bars changes what lies under a pointer that stood still;
        // only a real movement brings it back.
        if (pointerHidden_ && move->globalPosition().toPoint() != pointerAt_)
            showPointer();
        if (app_ && isActiveWindow())
            app_->mouseActivity();
        if (move->buttons() == Qt::NoButton)
            updateEdgeCursor(move->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerRootView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = pending_ && !movingByHand_;
    pending_ = false;
    movingByHand_ = false;
    if (click && app_)
        app_->toggleControls();
}

void PlayerRootView::updateEdgeCursor(QPoint windowPos) {
    if (pointerHidden_)
        return;
    const Qt::Edges edges = canResize() ? edgesUnder(windowPos) : Qt::Edges();
    if (edges) {
        setCursor(edgeCursor(edges));
        edgeCursor_ = true;
    } else if (edgeCursor_) {
        unsetCursor();
        edgeCursor_ = false;
    }
}

void PlayerRootView::leaveEvent(QEvent* event) {
    if (edgeCursor_ && !pointerHidden_) {
        unsetCursor();
        edgeCursor_ = false;
    }
    QWidget::leaveEvent(event);
}

void PlayerRootView::keyPressEvent(QKeyEvent* event) {
    if (app_)
        app_->handleKey(event);
    // Keys the controller ignores are dropped, never handed to the window.
    event->accept();
}

bool PlayerRootView::focusNextPrevChild(bool) {
    // Nothing else takes the focus: Tab is a key like any other.
    return false;
}

} // namespace velmo
