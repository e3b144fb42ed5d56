#pragma once

// Tests that drive the X server's own keyboard and pointer with xdotool. They
// change the display's keyboard layout and move its pointer, so they run only
// on request, on a private display (scripts/with-x).

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

namespace velmo::test {

inline constexpr const char* kRealXInput = "drives the display's keyboard and pointer: run with "
                                           "VELMO_TEST_PLATFORM=xcb VELMO_TEST_X_INPUT=1 under "
                                           "scripts/with-x";

inline bool realXInput() {
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           !qEnvironmentVariableIsEmpty("VELMO_TEST_X_INPUT");
}

// Runs xdotool while the event loop keeps running, so that the application
// sees each step as it happens, as it would see a user's hand.
inline bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForStarted())
        return false;
    QDeadlineTimer deadline(30000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(5);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// xdotool steps that put the pointer on `global`.
inline QStringList pointerTo(QPoint global) {
    return {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())};
}

} // namespace velmo::test
