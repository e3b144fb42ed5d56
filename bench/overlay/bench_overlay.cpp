// bench_overlay: how often the subtitle overlay lays out and renders a cue
// (text, outline, blurred shadow) against how often the cue changes, during
// real playback (README.md). The overlay is a transparent child over the video,
// so it gets a paint event for every video frame; those paints must only blit
// the rendered cue.
//
// The player runs in this process, as app/main.cpp makes it, with the real
// engine, window and overlay: a generated clip plays from a file URL and the
// subtitle track's body comes through the controller's fetch seam (the network
// is not what is measured). Run it under X: bench/overlay/run does.

#include "app/player_app.h"
#include "ui/player_window.h"
#include "ui/video_view.h"
#include "subtitles/overlay.h"
#include "subtitles/overlay_render.h"
#include "ui/video_view.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using velmo::SubtitleOverlayView;
using velmo::VelmoPlayerApp;

namespace {

// Counts paint events, and separately those that come while `busy` says so.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(std::function<bool()> busy = {}) : busy_(std::move(busy)) {}
    int paints = 0;
    int paintsWhileBusy = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            paintsWhileBusy += busy_ && busy_();
        }
        return false;
    }

private:
    std::function<bool()> busy_;
};

QString generateClip(const QString& path, int seconds) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return QStringLiteral("ffmpeg is not on the PATH");
    QStringList arguments = QStringLiteral("-nostdin -v error -y"
                                           " -f lavfi -i testsrc2=size=640x360:rate=25:duration=%1"
                                           " -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p")
                                .arg(seconds)
                                .split(QLatin1Char(' '));
    arguments << path;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(ffmpeg, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return QStringLiteral("ffmpeg failed: %1").arg(QString::fromLocal8Bit(process.readAll()));
    return {};
}

QString clockText(double seconds) {
    const int ms = int(seconds * 1000 + 0.5);
    return QStringLiteral("00:%1:%2,%3")
        .arg(ms / 60000, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// A cue every `every` seconds from 0.5 s on, each `length` long and over before
// the clip ends, each with its own two-line Persian text.
QByteArray makeSrt(int seconds, double every, double length) {
    QString srt;
    int number = 1;
    for (double start = 0.5; start + length < seconds; start += every, ++number)
        srt += QStringLiteral("%1\n%2 --> %3\nزیرنویس شمارهٔ %1 برای آزمایش\nبا خط دوم\n\n")
                   .arg(number)
                   .arg(clockText(start), clockText(start + length));
    return srt.toUtf8();
}

// Milliseconds per call of `step`, the median of a few rounds of `count` calls.
double msPerCall(int count, const std::function<void()>& step) {
    QList<double> rounds;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            step();
        rounds.append(timer.nsecsElapsed() / 1e6 / count);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Subtitle overlay renders per cue change"));
    options.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Playback length (default 20)."),
                                           QStringLiteral("s"), QStringLiteral("20"));
    options.addOption(secondsOption);
    options.process(app);
    const int seconds = std::max(6, options.value(secondsOption).toInt());

    QTemporaryDir work;
    const QString clip = work.filePath(QStringLiteral("clip.mp4"));
    if (const QString problem = generateClip(clip, seconds); !problem.isEmpty()) {
        std::fprintf(stderr, "bench_overlay: %s\n", qPrintable(problem));
        return 2;
    }
    const QByteArray srt = makeSrt(seconds, 2.0, 1.0);

    PlayerEnvironment env = realEnvironment();
    env.inputFd = -1;
    bool ended = false;
    bool failed = false;
    env.writeLine = [&](const QByteArray& line) {
        const QString type =
            QJsonDocument::fromJson(line).object().value(QStringLiteral("type")).toString();
        ended = ended || type == QLatin1String("ended");
        failed = failed || type == QLatin1String("error");
        if (failed)
            std::fprintf(stderr, "bench_overlay: %s\n", line.constData());
    };
    env.fetchSubtitle = [&srt](const QUrl&, QObject* owner, std::function<void(QByteArray)> done) {
        QTimer::singleShot(0, owner, [done = std::move(done), &srt] { done(srt); });
    };
    VelmoPlayerApp controller(std::move(env));
    controller.start();
    auto* overlay =
        controller.window()->findChild<SubtitleOverlayView*>(QStringLiteral("subtitleOverlay"));
    auto* video = controller.window()->findChild<VideoView*>(QStringLiteral("videoView"));
    if (overlay == nullptr || video == nullptr) {
        std::fprintf(stderr, "bench_overlay: the window has no overlay or video view\n");
        return 2;
    }

    // Cue changes as the overlay sees them (a cue, another text, none), sampled
    // far more often than cues change.
    int cuesOn = 0;
    int cuesOff = 0;
    QString shown;
    QTimer sampler;
    sampler.setInterval(5);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const QString now = overlay->cue() ? overlay->cue()->text : QString();
        if (now == shown)
            return;
        (now.isEmpty() ? cuesOff : cuesOn) += 1;
        shown = now;
    });
    sampler.start();
    auto cueShows = [overlay] {
        return overlay->cue() != nullptr;
    };
    PaintCounter videoPaints(cueShows);
    PaintCounter overlayPaints(cueShows);
    video->installEventFilter(&videoPaints);
    overlay->installEventFilter(&overlayPaints);

    const QJsonObject load{
        {"command", "load"},
        {"title", "bench"},
        {"url", QUrl::fromLocalFile(clip).toString()},
        {"subtitles",
         QJsonArray{QJsonObject{{"url", "http://bench.invalid/cues.srt"}, {"language", "فارسی"}}}}};
    controller.channel().handleLine(QJsonDocument(load).toJson(QJsonDocument::Compact));

    // Figures are taken at the end of the media, before the window closes.
    struct Figures {
        int renders = 0, composites = 0, overlayPaints = 0, overlayPaintsWithCue = 0;
        int videoPaints = 0, videoPaintsWithCue = 0, cuesOn = 0, cuesOff = 0;
        QSize window;
    } figures;
    QTimer watch;
    QElapsedTimer wall;
    wall.start();
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!ended && !failed && wall.elapsed() < (seconds + 60) * 1000)
            return;
        watch.stop();
        sampler.stop();
        figures = {overlay->renderCount(),
                   overlay->paintCount(),
                   overlayPaints.paints,
                   overlayPaints.paintsWhileBusy,
                   videoPaints.paints,
                   videoPaints.paintsWhileBusy,
                   cuesOn,
                   cuesOff,
                   overlay->size()};
        app.quit();
    });
    watch.start(20);
    app.exec();
    if (failed || !ended) {
        std::fprintf(stderr, "bench_overlay: %s\n",
                     failed ? "playback failed" : "the clip never ended");
        return 2;
    }

    // What the cache saves: one render against one composite of its result, for
    // a cue like those played, at the size the overlay had.
    const QFont font = overlay->font();
    const velmo::SubtitleLook look{font, overlay->textColor(), overlay->outline()};
    const double wrap = std::max(figures.window.width() - 160.0, 200.0);
    const QString sample = QStringLiteral("زیرنویس شمارهٔ ۷ برای آزمایش\nبا خط دوم");
    velmo::RenderedCue rendered;
    const double renderMs = msPerCall(20, [&] {
        rendered = velmo::renderSubtitleCue(sample, look, wrap, 1.0, figures.window.height());
    });
    QImage screen(figures.window, QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::black);
    QPainter painter(&screen);
    const double compositeMs =
        msPerCall(200, [&] { painter.drawImage(QPointF(80, 600), rendered.image); });
    painter.end();

    const int changes = figures.cuesOn + figures.cuesOff;
    const double perCueShown = figures.cuesOn ? double(figures.renders) / figures.cuesOn : 0;
    const double perChange = changes ? double(figures.renders) / changes : 0;
    const bool met = figures.cuesOn > 0 && figures.renders <= figures.cuesOn + 1 &&
                     figures.renders >= figures.cuesOn;
    std::printf("bench/overlay: %d s clip at 25 fps, a cue every 2 s (1 s long), window %dx%d\n",
                seconds, figures.window.width(), figures.window.height());
    std::printf("  cue changes seen by the overlay   %4d  (%d new texts, %d clears)\n", changes,
                figures.cuesOn, figures.cuesOff);
    std::printf("  cue renders (layout, stroke, blur) %4d  %.2f per new text, %.2f per change"
                "  goal <= 1 per new text: %s\n",
                figures.renders, perCueShown, perChange, met ? "met" : "MISSED");
    std::printf("  video frames painted              %4d  (%d while a cue showed)\n",
                figures.videoPaints, figures.videoPaintsWithCue);
    std::printf("  overlay paint events              %4d  %.2f per video frame\n",
                figures.overlayPaints,
                figures.videoPaints ? double(figures.overlayPaints) / figures.videoPaints : 0);
    std::printf("  cue composites (blits)            %4d  %.2f per video frame with a cue\n",
                figures.composites,
                figures.videoPaintsWithCue ? double(figures.composites) / figures.videoPaintsWithCue
                                           : 0);
    std::printf("  one render %.3f ms, one composite %.3f ms: a render costs %.0f composites\n",
                renderMs, compositeMs, compositeMs > 0 ? renderMs / compositeMs : 0);
    std::printf("  without the cache every composite would render: %d renders instead of %d\n",
                figures.composites, figures.renders);
    return 0;
}
