// The player process: one controller, one window, driven over stdin/stdout.

#include "app/command_line.h"
#include "host/controller.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    // --version and --help need no display, and Qt must not see them.
    if (const std::optional<int> status = velmo::handleCommandLine(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmo Player"));
    QApplication::setQuitOnLastWindowClosed(true);

    velmo::VelmoPlayerApp controller;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     [&controller] { controller.applicationWillTerminate(); });
    QTimer::singleShot(0, &controller,
                       [&controller] { controller.applicationDidFinishLaunching(); });
    app.exec();
    return 0;
}
