// The player as the Debian package installs it, driven over its channel like the other
// end-to-end tests (every line checked against the schema): it plays a clip to its end,
// draws with the fonts installed beside it, loads libvlc's plug-ins, and its window is the
// one the desktop file names. scripts/test-package installs the package, runs this, and
// removes the package again; it is not a ctest test, as it needs the package installed.

#include "../e2e/http_server.h"
#include "../e2e/player_process.h"
#include "../e2e/sample_media.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using velmo::e2e::HttpServer;
using velmo::e2e::PlayerProcess;
using Event = PlayerProcess::Event;

namespace {

constexpr int kClipSeconds = 3;

QString installedPlayer() {
    const QString program = qEnvironmentVariable("VELMO_INSTALLED_PLAYER");
    return program.isEmpty() ? QStringLiteral("/usr/bin/velmo-player") : program;
}

// The files the process has mapped: shared libraries, plug-ins, font files.
QStringList mappedFiles(qint64 pid) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    QStringList files;
    if (!maps.open(QIODevice::ReadOnly))
        return files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0)
            files << QString::fromLocal8Bit(line.mid(slash));
    }
    files.removeDuplicates();
    return files;
}

// The instance part of WM_CLASS of the process's windows, as the X server has them.
QStringList windowClasses(qint64 pid) {
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)});
    search.waitForFinished(10000);
    QStringList classes;
    for (const QByteArray& id : search.readAllStandardOutput().split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        QProcess property;
        property.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::fromLatin1(id),
                                                 QStringLiteral("WM_CLASS")});
        property.waitForFinished(10000);
        const QRegularExpression instance(QStringLiteral("WM_CLASS\\(STRING\\) = \"([^\"]*)\""));
        const auto match = instance.match(QString::fromUtf8(property.readAllStandardOutput()));
        if (match.hasMatch())
            classes << match.captured(1);
    }
    return classes;
}

} // namespace

class InstalledPackageTest : public QObject {
    Q_OBJECT

private slots:
    void playsToTheEnd();
};

void InstalledPackageTest::playsToTheEnd() {
    const QString program = installedPlayer();
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program + " is not installed"));
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under scripts/with-x");
    const QString prefix = QFileInfo(program).canonicalPath() + QStringLiteral("/..");
    const QString fonts = QDir::cleanPath(prefix + QStringLiteral("/share/velmo-player/Fonts"));
    const QString desktopFile =
        QDir::cleanPath(prefix + QStringLiteral("/share/applications/velmo-player.desktop"));

    QTemporaryDir media;
    QVERIFY(media.isValid());
    const QString problem =
        velmo::e2e::generateClip(media.filePath(QStringLiteral("clip.mp4")), kClipSeconds);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    HttpServer server(media.path());
    QVERIFY(server.listen());

    PlayerProcess player;
    player.setProgram(program);
    QVERIFY2(player.start(), qPrintable(program));
    const QString url = server.url(QStringLiteral("/clip.mp4")).toString();
    player.send({{"command", "load"}, {"title", "بسته"}, {"url", url}});

    const qsizetype moving = player.waitFor(QStringLiteral("progress"), 20000, [](const Event& e) {
        return e.number("position") > 0.3;
    });
    QVERIFY2(moving >= 0, qPrintable(player.describe()));
    QCOMPARE(player.count(QStringLiteral("error")), 0);

    // Fonts are mapped once Qt draws with them: the window's labels use Vazirmatn.
    const QStringList files = mappedFiles(player.processId());
    const auto fromFolder = [&files](const QString& folder, const QString& suffix) {
        return std::any_of(files.begin(), files.end(), [&](const QString& file) {
            return file.startsWith(folder + u'/') && file.endsWith(suffix);
        });
    };
    QVERIFY2(fromFolder(fonts, QStringLiteral(".ttf")),
             qPrintable(QStringLiteral("no font from %1 is in use:\n%2")
                            .arg(fonts, files.filter(QStringLiteral(".ttf")).join(u'\n'))));
    QVERIFY2(!files.filter(QStringLiteral("/vlc/plugins/")).isEmpty(),
             "no plug-in of libvlc is loaded");

    const QSettings desktop(desktopFile, QSettings::IniFormat);
    const QString wmClass =
        desktop.value(QStringLiteral("Desktop Entry/StartupWMClass")).toString();
    QVERIFY2(!wmClass.isEmpty(), qPrintable(desktopFile));
    const QStringList classes = windowClasses(player.processId());
    QVERIFY2(classes.contains(wmClass), qPrintable(classes.join(u' ')));

    QVERIFY2(player.waitFor(QStringLiteral("ended"), 20000, {}, moving) >= 0,
             qPrintable(player.describe()));
    QVERIFY2(player.waitFor(QStringLiteral("closed"), 10000, {}, moving) >= 0,
             qPrintable(player.describe()));
    QVERIFY2(player.waitForExit(10000), "the player is still running after \"closed\"");
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
    const QStringList faults = player.protocolFaults();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

QTEST_GUILESS_MAIN(InstalledPackageTest)
#include "test_installed_package.moc"
