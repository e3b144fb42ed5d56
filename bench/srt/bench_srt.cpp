// SRT decoding + parsing and cue lookup, timed against ffmpeg reading the same
// file in the same run. Prints a table and exits 0 whether or not the goals
// are met; non-zero only when something could not run.
//
//   bench_srt [--runs N] [--cues N] [--ffmpeg PATH] [--keep DIR]

#include "subtitles/cue_lookup.h"
#include "subtitles/srt.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr double kGoalMBps = 200;
constexpr double kGoalRatio = 10;

struct Sample {
    double wall; // seconds
    double cpu;  // seconds
};

double processCpu() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double childrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Sample median(std::vector<Sample> samples) {
    const auto middle = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    };
    std::vector<double> wall, cpu;
    for (const Sample& s : samples) {
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
    }
    return {middle(wall), middle(cpu)};
}

Sample timeOnce(const std::function<void()>& work) {
    const double cpu = processCpu();
    QElapsedTimer timer;
    timer.start();
    work();
    return {double(timer.nsecsElapsed()) / 1e9, processCpu() - cpu};
}

// A Persian SRT file of `count` cues, two lines each, as Windows tools write
// them (CR LF), with now and then a tag, a line-break escape or a position.
QString makeSrt(int count) {
    static const char* const words[] = {"سلام",  "خانه",  "می‌خواهم",
                                        "فردا",  "کتاب",  "زندگی",
                                        "دوست",  "ایران", "چطور",
                                        "است",   "بروم",  "نمی‌دانم",
                                        "شب",    "دریا",  "پدر",
                                        "مادر",  "آسمان", "گفت",
                                        "کجاست", "امروز", "خیلی",
                                        "خوب",   "باید",  "برگردیم"};
    std::mt19937 random(20240601);
    const auto line = [&] {
        QString text;
        const int n = 2 + int(random() % 4);
        for (int i = 0; i < n; ++i) {
            if (i)
                text += u' ';
            text += QString::fromUtf8(words[random() % std::size(words)]);
        }
        return text;
    };
    const auto stamp = [](long ms) {
        return QString::asprintf("%02ld:%02ld:%02ld,%03ld", ms / 3600000, ms / 60000 % 60,
                                 ms / 1000 % 60, ms % 1000);
    };
    QString srt;
    srt.reserve(count * 110);
    long at = 1000;
    for (int i = 1; i <= count; ++i) {
        const long length = 800 + long(random() % 4000);
        srt += QString::number(i) + QStringLiteral("\r\n") + stamp(at) + QStringLiteral(" --> ") +
               stamp(at + length);
        if (i % 50 == 0)
            srt += QStringLiteral(" X1:100 X2:600 Y1:50 Y2:80");
        srt += QStringLiteral("\r\n");
        if (i % 7 == 0)
            srt += QStringLiteral("<i>") + line() + QStringLiteral("</i>\r\n") + line();
        else if (i % 11 == 0)
            srt += line() + QStringLiteral("\\N") + line();
        else
            srt += line() + QStringLiteral("\r\n") + line();
        srt += QStringLiteral("\r\n\r\n");
        at += length + 200 + long(random() % 800);
    }
    return srt;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Parsed {
    Sample total, decode, parse;
    qsizetype cues = 0;
};

Parsed timeParse(const QByteArray& bytes, int runs) {
    std::vector<Sample> total, decode, parse;
    qsizetype cues = 0;
    for (int i = 0; i < runs; ++i) {
        QString text;
        QList<velmo::SubtitleCue> list;
        const Sample d = timeOnce([&] { text = velmo::DecodeSubtitleData(bytes); });
        const Sample p = timeOnce([&] { list = velmo::ParseSubtitle(text); });
        decode.push_back(d);
        parse.push_back(p);
        total.push_back({d.wall + p.wall, d.cpu + p.cpu});
        cues = list.size();
    }
    return {median(total), median(decode), median(parse), cues};
}

// ffmpeg reading the file: -1 wall time when it could not run.
Sample timeFfmpeg(const QString& ffmpeg, const QStringList& arguments, int runs) {
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        const double cpu = childrenCpu();
        QElapsedTimer timer;
        timer.start();
        process.start(ffmpeg, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
            std::fprintf(stderr, "ffmpeg did not finish: %s\n", qPrintable(process.errorString()));
            return {-1, -1};
        }
        samples.push_back({double(timer.nsecsElapsed()) / 1e9, childrenCpu() - cpu});
        // Without an encoder for the subtitle stream ffmpeg ends with "does not
        // contain any stream" after reading the whole file; that is expected.
        const QByteArray output = process.readAll();
        if (process.exitCode() != 0 && !output.contains("does not contain any stream")) {
            std::fprintf(stderr, "ffmpeg failed:\n%s\n", output.constData());
            return {-1, -1};
        }
    }
    return median(samples);
}

double lookupNs(const QList<velmo::SubtitleCue>& cues, int lookups, int runs, long* shown) {
    std::mt19937_64 random(7);
    const double last = cues.isEmpty() ? 1 : cues.last().end + 1;
    std::vector<double> times(static_cast<size_t>(lookups));
    for (double& t : times)
        t = std::uniform_real_distribution<double>(0, last)(random);
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        long found = 0;
        samples.push_back(timeOnce([&] {
            for (const double t : times)
                found += velmo::cueAt(cues, t) != nullptr;
        }));
        *shown = found;
    }
    return median(samples).wall / lookups * 1e9;
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 9;
    int cueCount = 50000;
    QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QString keep;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--runs") && hasValue)
            runs = std::max(1, args[++i].toInt());
        else if (a == QLatin1String("--cues") && hasValue)
            cueCount = std::max(1, args[++i].toInt());
        else if (a == QLatin1String("--ffmpeg") && hasValue)
            ffmpeg = args[++i];
        else if (a == QLatin1String("--keep") && hasValue)
            keep = args[++i];
        else {
            std::fprintf(stderr,
                         "usage: bench_srt [--runs N] [--cues N] [--ffmpeg PATH] [--keep DIR]\n");
            return 2;
        }
    }
    if (ffmpeg.isEmpty()) {
        std::fprintf(stderr, "bench_srt: ffmpeg not found\n");
        return 1;
    }

    QTemporaryDir temporary;
    const QString dir = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(dir);
    const QString srt = makeSrt(cueCount);
    const QByteArray utf8 = srt.toUtf8();
    const QByteArray windows1256 = QStringEncoder("windows-1256")(
        QString(srt).replace(QChar(0x06CC), QChar(0x064A))); // Windows-1256 has only the Arabic yeh
    // What Notepad saves as "Unicode": UTF-16 LE behind its byte-order mark.
    const QByteArray utf16 =
        QByteArray("\xff\xfe", 2) + QStringEncoder(QStringConverter::Utf16LE)(srt);
    const QString path = dir + QStringLiteral("/persian.srt");
    if (!writeFile(path, utf8)) {
        std::fprintf(stderr, "bench_srt: cannot write %s\n", qPrintable(path));
        return 1;
    }
    const double mb = double(utf8.size()) / 1e6;

    std::printf("SRT: %d cues, %.2f MB of UTF-8 Persian text with CR LF (%s)\n", cueCount, mb,
                qPrintable(path));
    std::printf("median of %d runs; wall time, CPU time in brackets\n\n", runs);

    const Parsed ours = timeParse(utf8, runs);
    if (ours.cues != cueCount) {
        std::fprintf(stderr, "bench_srt: parsed %lld cues, expected %d\n",
                     static_cast<long long>(ours.cues), cueCount);
        return 1;
    }
    const Parsed legacy = timeParse(windows1256, runs);
    const Parsed wide = timeParse(utf16, runs);
    if (wide.cues != cueCount) {
        std::fprintf(stderr, "bench_srt: parsed %lld cues from UTF-16, expected %d\n",
                     static_cast<long long>(wide.cues), cueCount);
        return 1;
    }
    const int ffmpegRuns = std::max(3, runs / 2);
    const QStringList plain{
        QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-i"), path,
        QStringLiteral("-f"),       QStringLiteral("null"),         QStringLiteral("-")};
    const Sample peer = timeFfmpeg(ffmpeg, plain, ffmpegRuns);
    QStringList decoding = plain;
    decoding.insert(4, QStringLiteral("-c:s"));
    decoding.insert(5, QStringLiteral("ass"));
    const Sample peerDecoding = timeFfmpeg(ffmpeg, decoding, ffmpegRuns);
    if (peer.wall < 0 || peerDecoding.wall < 0)
        return 1;

    const auto row = [&](const char* what, const Sample& s) {
        std::printf("  %-44s %8.2f ms [%8.2f ms]  %7.0f MB/s\n", what, s.wall * 1e3, s.cpu * 1e3,
                    mb / s.wall);
    };
    row("decode + parse (UTF-8)", ours.total);
    row("  decode", ours.decode);
    row("  parse", ours.parse);
    row("decode + parse (same text in Windows-1256)", legacy.total);
    row("decode + parse (same text in UTF-16 LE)", wide.total);
    row("ffmpeg -i file.srt -f null -", peer);
    row("ffmpeg -i file.srt -c:s ass -f null -", peerDecoding);

    const double rate = mb / ours.total.wall;
    const double ratio = peer.wall / ours.total.wall;
    std::printf("\n  throughput  %7.0f MB/s           goal >= %.0f MB/s: %s\n", rate, kGoalMBps,
                verdict(rate >= kGoalMBps));
    std::printf("  vs ffmpeg   %7.1fx faster (CPU %.1fx)  goal >= %.0fx: %s\n", ratio,
                peer.cpu / ours.total.cpu, kGoalRatio, verdict(ratio >= kGoalRatio));
    std::printf("  vs ffmpeg decoding to ASS %.1fx faster\n", peerDecoding.wall / ours.total.wall);

    const QList<velmo::SubtitleCue> cues = velmo::ParseSubtitle(velmo::DecodeSubtitleData(utf8));
    const int lookups = 1000000;
    long shown = 0;
    const double ns = lookupNs(cues, lookups, runs, &shown);
    std::printf("\ncue lookup: %d lookups over %lld cues, %.1f ns each (%ld found a cue)\n",
                lookups, static_cast<long long>(cues.size()), ns, shown);
    return 0;
}
