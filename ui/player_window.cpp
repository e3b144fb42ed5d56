#include "ui/player_window.h"

#include <QCloseEvent>

namespace velmo {

PlayerWindow::PlayerWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    if (onClose)
        onClose();
    event->accept();
}

void PlayerWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResize)
        onResize();
}

void PlayerWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && onFullscreenChanged)
        onFullscreenChanged();
}

} // namespace velmo
