// Showing the controls on activity, and short messages over the picture.

#include "host/controller.h"
#include "ui/player_window.h"

#include <QDateTime>
#include <QLabel>
#include <QTimer>

namespace velmo {

namespace {
double now() {
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}
} // namespace

void VelmoPlayerApp::showControls() {
    lastMouse = now();
    if (!controlsHidden)
        return;
    controlsHidden = false;
    topBar->show();
    bottomBar->show();
}

void VelmoPlayerApp::hideControls() {
    if (controlsHidden)
        return;
    controlsHidden = true;
    topBar->hide();
    bottomBar->hide();
}

void VelmoPlayerApp::mouseActivity() {
    showControls();
}

void VelmoPlayerApp::showToast(const QString& text) {
    toastLabel->setText(text);
    toastLabel->show();
    toastLabel->raise();
    // Each toast restarts the two seconds.
    if (toastTimer_ == nullptr) {
        toastTimer_ = new QTimer(this);
        toastTimer_->setSingleShot(true);
        connect(toastTimer_, &QTimer::timeout, toastLabel, &QLabel::hide);
    }
    toastTimer_->start(2000);
}

void VelmoPlayerApp::toggleFullscreen() {
    if (window->isFullScreen())
        window->showNormal();
    else
        window->showFullScreen();
}

} // namespace velmo
