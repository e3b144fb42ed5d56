#pragma once

// Widget tests run on the offscreen platform unless a display is asked for
// with VELMO_TEST_PLATFORM (for example "xcb" under Xvfb).

#include <QApplication>
#include <QTest>

#define VELMO_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char** argv) {                                                              \
        const QByteArray platform = qgetenv("VELMO_TEST_PLATFORM");                                \
        qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);       \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
