// The player process: the parts made and wired by VelmoPlayerApp, one window,
// driven over standard input and output.

#include "app/command_line.h"
#include "app/player_app.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    // --version and --help need no display, and Qt must not see them.
    if (const std::optional<int> status = velmo::handleCommandLine(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmo Player"));
    QApplication::setQuitOnLastWindowClosed(true);

    velmo::VelmoPlayerApp player(velmo::realEnvironment());
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &player,
                     [&player] { player.terminateNow(); });
    QTimer::singleShot(0, &player, [&player] { player.start(); });
    app.exec();
    return 0;
}
