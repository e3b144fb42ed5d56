// Start-up and the end of the process: "closed" is written exactly once, the
// media player is released before the engine instance, and the process exits 0.

#include "host/controller.h"
#include "ui/player_window.h"
#include "ui/video_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace velmo {

VelmoPlayerApp::VelmoPlayerApp(QObject* parent) : QObject(parent) {
    writeLine = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    scheduleAfter = [this](int ms, std::function<void()> step) {
        QTimer::singleShot(ms, this, std::move(step));
    };
    engineFactory = createVlcEngine;
    engineFolders = {QCoreApplication::applicationDirPath() + QStringLiteral("/vlc"),
                     QStringLiteral(VELMO_SYSTEM_VLC_DIR)};
    terminate = [] {
        QCoreApplication::quit();
    };
    clock = [] {
        static QElapsedTimer steady = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        return steady.nsecsElapsed() / 1e9;
    };
}

VelmoPlayerApp::~VelmoPlayerApp() {
    // The player draws into the video view and posts to the engine: release it
    // first, then the engine, then the views.
    player.reset();
    vlc.reset();
    delete window;
}

void VelmoPlayerApp::applicationDidFinishLaunching() {
    registerFonts();
    buildWindow();
    // The menu's items live on the window (a context menu and its shortcuts).
    buildMenu();
    startStdinReader();
    if (window != nullptr) {
        window->raise();
        window->activateWindow();
    }
}

void VelmoPlayerApp::applicationWillTerminate() {
    if (terminated_)
        return;
    terminated_ = true;
    stopTimers();
    if (player) {
        player->stop();
        player.reset();
    }
    vlc.reset();
}

void VelmoPlayerApp::windowWillClose() {
    finishAndExit();
}

void VelmoPlayerApp::closeWindow() {
    if (window != nullptr && window->isVisible())
        window->close(); // the window's close handler calls windowWillClose()
    else
        windowWillClose();
}

void VelmoPlayerApp::finishAndExit() {
    if (closing)
        return;
    closing = true;
    stopTimers();
    events.closed(position, duration);
    scheduleAfter(150, [this] {
        if (player) {
            player->stop();
            player.reset();
        }
        terminate();
    });
}

void VelmoPlayerApp::stopTimers() {
    delete uiTimer;
    uiTimer = nullptr;
    delete progressTimer;
    progressTimer = nullptr;
}

} // namespace velmo
