#include "sample_media.h"

#include <QProcess>
#include <QStandardPaths>

namespace velmo::e2e {

namespace {

QString runFfmpeg(QStringList arguments, const QString& path) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return QStringLiteral("ffmpeg is not installed (scripts/deps installs it)");
    arguments << path;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(ffmpeg, arguments);
    if (!process.waitForFinished(60000))
        return QStringLiteral("ffmpeg did not finish: %1").arg(process.errorString());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("ffmpeg failed: %1").arg(QString::fromLocal8Bit(process.readAll()));
    return {};
}

} // namespace

QString generateClip(const QString& path, int seconds) {
    // No argument but the path has a space in it.
    const QStringList arguments =
        QStringLiteral("-nostdin -v error -y"
                       " -f lavfi -i testsrc2=size=320x240:rate=25:duration=%1"
                       " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=%1"
                       " -f lavfi -i sine=frequency=660:sample_rate=48000:duration=%1"
                       " -map 0:v -map 1:a -map 2:a"
                       " -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p"
                       " -c:a aac -b:a 64k"
                       " -metadata:s:a:0 language=fas -metadata:s:a:1 language=eng")
            .arg(seconds)
            .split(QLatin1Char(' '));
    return runFfmpeg(arguments, path);
}

QString generateDarkClip(const QString& path, int seconds) {
    const QStringList arguments =
        QStringLiteral("-nostdin -v error -y"
                       " -f lavfi -i color=c=0x202020:size=320x180:rate=25:duration=%1"
                       " -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p")
            .arg(seconds)
            .split(QLatin1Char(' '));
    return runFfmpeg(arguments, path);
}

QString remuxWithIndexFirst(const QString& from, const QString& to) {
    return runFfmpeg({QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                      QStringLiteral("-y"), QStringLiteral("-i"), from, QStringLiteral("-c"),
                      QStringLiteral("copy"), QStringLiteral("-movflags"),
                      QStringLiteral("+faststart")},
                     to);
}

} // namespace velmo::e2e
