#include "app/environment.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace velmo {

PlayerEnvironment realEnvironment() {
    PlayerEnvironment env;
    env.writeLine = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    env.schedule = timerScheduler();
    env.engineFactory = createVlcEngine;
    env.engineFolders = {QCoreApplication::applicationDirPath() + QStringLiteral("/vlc"),
                         QStringLiteral(VELMO_SYSTEM_VLC_DIR)};
    env.terminate = [] {
        QCoreApplication::quit();
    };
    env.clock = [] {
        static QElapsedTimer steady = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        return steady.nsecsElapsed() / 1e9;
    };
    env.inputFd = 0;
    return env;
}

} // namespace velmo
