// External subtitle tracks as the parent application sees them: the real
// player, tracks named in "load" and served over loopback HTTP. A track whose
// file gives cues becomes active (a "settings" event is the only outside sign);
// a file without cues is written into the player's private temporary folder
// and handed to the engine; a server that never answers costs a failed fetch,
// not playback. Under X, screenshots show what is drawn: the cue in the chosen
// colour, the same picture for the same text in either encoding, and a file the
// overlay cannot read drawn by the engine.

#include "http_server.h"
#include "player_process.h"
#include "sample_media.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <memory>

using velmo::e2e::HttpServer;
using velmo::e2e::PlayerProcess;
using Event = PlayerProcess::Event;

namespace {

constexpr int kClipSeconds = 90; // long enough to outlast a fetch that times out

// Bounds on waits: long enough never to be what fails on a slow machine.
constexpr int kStartMs = 15000;
constexpr int kSoonMs = 6000;
constexpr int kExitMs = 10000;
// The player gives up on a subtitle server after a minute; this bound is the
// most the test waits for that.
constexpr int kFetchGivesUpMs = 80000;

const QString kCueText = QStringLiteral("سلام دوستان\nنامه‌ها و گفتگو");

// kCueText in Windows-1256 (the zero-width non-joiner is 0x9D there).
const QByteArray kCueText1256("\xd3\xe1\xc7\xe3\x20\xcf\xe6\xd3\xca\xc7\xe4\x0a"
                              "\xe4\xc7\xe3\xe5\x9d\xe5\xc7\x20\xe6\x20\x90\xdd\xca\x90\xe6");

// One cue over the whole clip, so that it shows whenever a screenshot is taken.
QByteArray srt(const QByteArray& text, const QByteArray& lineEnd = "\n") {
    QByteArray file = "1\n00:00:00,000 --> 00:10:00,000\n" + text + "\n\n";
    file.replace("\n", lineEnd);
    return file;
}

// An ASS file with no SRT timing line in it; its one event is magenta.
const QByteArray kAssFile =
    "[Script Info]\n"
    "ScriptType: v4.00+\n"
    "PlayResX: 384\n"
    "PlayResY: 288\n"
    "\n"
    "[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
    "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, "
    "ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
    "Alignment, MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,DejaVu Sans,40,&H00FF00FF,&H00FF00FF,&H00000000,"
    "&H00000000,-1,0,0,0,100,100,0,0,1,1,0,2,10,10,20,1\n"
    "\n"
    "[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, "
    "Effect, Text\n"
    "Dialogue: 0,0:00:00.00,0:10:00.00,Default,,0,0,0,,DRAWN BY THE ENGINE\n";

const QByteArray kErrorPage = "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>\n"
                              "<body><h1>Not Found</h1></body></html>\n";

QJsonObject command(const char* name, const QJsonObject& fields = {}) {
    QJsonObject object = fields;
    object.insert(QStringLiteral("command"), QLatin1String(name));
    return object;
}

QJsonObject settings(const QString& color = QStringLiteral("#ffffff")) {
    return {{"volume", 1},
            {"rate", 1},
            {"subtitleEnabled", true},
            {"subtitleFont", "Vazirmatn"},
            {"subtitleSize", 26},
            {"subtitleColor", color},
            {"subtitleBackground", "#000000"},
            {"subtitleBackgroundOpacity", 0.55}};
}

bool subtitlesOn(const Event& e) {
    return e.object.value("subtitleEnabled") == QJsonValue(true);
}

bool subtitlesOff(const Event& e) {
    return e.object.value("subtitleEnabled") == QJsonValue(false);
}

// What the overlay draws in the chosen colour (#ff00ff), anti-aliased edges left out.
bool isMagenta(QRgb pixel) {
    return qRed(pixel) >= 200 && qGreen(pixel) <= 80 && qBlue(pixel) >= 200;
}

// The magenta pixels of a screenshot, and how many of them are in its upper half.
struct Ink {
    QImage mask; // cropped to the ink's bounds; null when there is none
    int count = 0;
    int upperHalf = 0;
    QRect bounds;
};

Ink magentaInk(const QImage& shot) {
    Ink ink;
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!isMagenta(row[x]))
                continue;
            ++ink.count;
            ink.upperHalf += y < image.height() / 2;
            ink.bounds |= QRect(x, y, 1, 1);
        }
    }
    if (ink.count == 0)
        return ink;
    ink.mask = QImage(ink.bounds.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < ink.bounds.height(); ++y)
        for (int x = 0; x < ink.bounds.width(); ++x)
            ink.mask.setPixel(x, y,
                              isMagenta(image.pixel(ink.bounds.x() + x, ink.bounds.y() + y))
                                  ? qRgb(255, 255, 255)
                                  : qRgb(0, 0, 0));
    return ink;
}

// How many pixels of a screenshot are the overlay's green (#00ff00).
int greenPixels(const QImage& shot) {
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            count += qGreen(row[x]) >= 200 && qRed(row[x]) <= 80 && qBlue(row[x]) <= 80;
    }
    return count;
}

} // namespace

class SubtitleEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void trackWithCuesActivates_data();
    void trackWithCuesActivates();
    void fileWithoutCuesGoesToTheEngine_data();
    void fileWithoutCuesGoesToTheEngine();
    void silentServerFailsTheFetchOnly();

    void cueIsDrawnInTheChosenColour();
    void engineDrawsTheFileItWasHanded();
    void handedFileEndsTheOverlaysTrack();

private:
    PlayerProcess& startPlayer();
    QString url(const QString& path) const { return server_->url(path).toString(); }
    QJsonObject loadWithTracks(const QStringList& paths, const QJsonObject& settingsObject);
    qsizetype waitForPlayback();
    void closeAndExpectExit();
    // Files the player handed to the engine, in its private temporary folder.
    QStringList engineFiles() const;
    // A screenshot once the magenta ink has stopped changing (the window has
    // gone fullscreen, toasts have faded); saved as `name`.png next to the test.
    Ink settledInk(const QString& name);
    // A screenshot once `measure` of it has stopped changing; saved as `name`.png.
    QImage settledShot(const QString& name, const std::function<int(const QImage&)>& measure);

    QTemporaryDir media_;
    std::unique_ptr<QTemporaryDir> runtime_; // the player's XDG_RUNTIME_DIR
    std::unique_ptr<HttpServer> server_;
    std::unique_ptr<PlayerProcess> player_;
};

void SubtitleEndToEndTest::initTestCase() {
    QVERIFY(media_.isValid());
    const QString problem = velmo::e2e::generateDarkClip(media_.filePath("dark.mp4"), kClipSeconds);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QList<std::pair<const char*, QByteArray>> files = {
        {"fa-utf8.srt", srt(kCueText.toUtf8())},
        {"fa-utf8-bom-crlf.srt", "\xef\xbb\xbf" + srt(kCueText.toUtf8(), "\r\n")},
        {"fa-1256.srt", srt(kCueText1256)},
        {"other.srt", srt(QStringLiteral("متن دیگری\nبرای مقایسه").toUtf8())},
        {"karaoke.ass", kAssFile},
    };
    for (const auto& [name, bytes] : files) {
        QFile file(media_.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    server_ = std::make_unique<HttpServer>(media_.path());
    server_->serve(QStringLiteral("/missing.srt"), 404, kErrorPage, "text/html");
    server_->silence(QStringLiteral("/hang.srt"));
    QVERIFY(server_->listen());
}

void SubtitleEndToEndTest::init() {
    runtime_ = std::make_unique<QTemporaryDir>();
    QVERIFY(runtime_->isValid());
}

void SubtitleEndToEndTest::cleanup() {
    if (!player_)
        return;
    if (QTest::currentTestFailed())
        qWarning().noquote() << player_->describe();
    const QStringList faults = player_->protocolFaults();
    player_.reset();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

PlayerProcess& SubtitleEndToEndTest::startPlayer() {
    player_ = std::make_unique<PlayerProcess>();
    // A folder of this test's own: what the player writes can be found and
    // nothing is left behind.
    player_->setEnvironmentValue(QStringLiteral("XDG_RUNTIME_DIR"), runtime_->path());
    if (!player_->start())
        qWarning("the player did not start: %s", VELMO_PLAYER_BINARY);
    return *player_;
}

QJsonObject SubtitleEndToEndTest::loadWithTracks(const QStringList& paths,
                                                 const QJsonObject& settingsObject) {
    QJsonArray tracks;
    for (const QString& path : paths)
        tracks.append(QJsonObject{{"url", url(path)}, {"language", "فارسی"}});
    const QString media = url(QStringLiteral("/dark.mp4"));
    return command("load",
                   {{"title", "subtitles"},
                    {"settings", settingsObject},
                    {"sources", QJsonArray{QJsonObject{{"url", media}, {"quality", "180p"}}}},
                    {"subtitles", tracks},
                    {"url", media}});
}

qsizetype SubtitleEndToEndTest::waitForPlayback() {
    return player_->waitFor(QStringLiteral("progress"), kStartMs, [](const Event& e) {
        return e.number("position") >= 0.5 && e.object.value("paused") == QJsonValue(false);
    });
}

void SubtitleEndToEndTest::closeAndExpectExit() {
    PlayerProcess& player = *player_;
    const qsizetype from = player.events().size();
    player.send(command("close"));
    QVERIFY2(player.waitFor(QStringLiteral("closed"), kSoonMs, {}, from) >= 0,
             qPrintable(player.describe()));
    QVERIFY2(player.waitForExit(kExitMs), "the player is still running after \"closed\"");
    QCOMPARE(player.exitCode(), 0);
}

QStringList SubtitleEndToEndTest::engineFiles() const {
    return QDir(runtime_->filePath(QStringLiteral("velmo")))
        .entryList({QStringLiteral("velmo-sub-*")}, QDir::Files);
}

Ink SubtitleEndToEndTest::settledInk(const QString& name) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage shot;
    Ink last;
    int same = 0;
    // The controls hide three seconds after the last movement and a toast fades
    // after two; the ink is taken once it has held still for a while.
    QTest::qWait(1500);
    for (int round = 0; round < 40 && same < 4; ++round) {
        QTest::qWait(300);
        shot = screen->grabWindow(0).toImage();
        Ink ink = magentaInk(shot);
        same = (ink.count == last.count && ink.mask == last.mask) ? same + 1 : 0;
        last = std::move(ink);
    }
    const QString path =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("%1.png").arg(name));
    shot.save(path);
    return last;
}

void SubtitleEndToEndTest::trackWithCuesActivates_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("UTF-8") << QStringLiteral("/fa-utf8.srt");
    QTest::newRow("UTF-8, byte-order mark, CR LF") << QStringLiteral("/fa-utf8-bom-crlf.srt");
    QTest::newRow("Windows-1256") << QStringLiteral("/fa-1256.srt");
}

// The first track is loaded by itself once playback runs; its activation is
// reported. Its cues are kept: choosing it again asks the server nothing.
void SubtitleEndToEndTest::trackWithCuesActivates() {
    QFETCH(QString, path);
    PlayerProcess& player = startPlayer();
    const int asked = server_->requestCount(path);
    player.send(loadWithTracks({path}, settings()));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    const qsizetype activated = player.waitFor(QStringLiteral("settings"), kSoonMs, subtitlesOn);
    QVERIFY2(activated >= 0, qPrintable(player.describe()));
    QCOMPARE(server_->requestCount(path), asked + 1);
    QVERIFY2(engineFiles().isEmpty(), qPrintable(engineFiles().join(' ')));

    qsizetype from = player.events().size();
    player.send(command("setSubtitle", {{"index", -1}}));
    QVERIFY2(player.waitFor(QStringLiteral("settings"), kSoonMs, subtitlesOff, from) >= 0,
             qPrintable(player.describe()));
    from = player.events().size();
    player.send(command("setSubtitle", {{"index", 0}}));
    QVERIFY2(player.waitFor(QStringLiteral("settings"), kSoonMs, subtitlesOn, from) >= 0,
             qPrintable(player.describe()));
    QCOMPARE(server_->requestCount(path), asked + 1);

    // Past the end of the list: nothing at all.
    from = player.events().size();
    player.send(command("setSubtitle", {{"index", 1}}));
    QTest::qWait(1000);
    QCOMPARE(player.events(QStringLiteral("settings"), from).size(), qsizetype(0));
    QCOMPARE(player.count(QStringLiteral("error")), 0);
    closeAndExpectExit();
}

void SubtitleEndToEndTest::fileWithoutCuesGoesToTheEngine_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("error page with status 404") << QStringLiteral("/missing.srt") << kErrorPage;
    QTest::newRow("ASS file") << QStringLiteral("/karaoke.ass") << kAssFile;
}

// The body, unchanged, lands in the private folder under a name made from the
// URL; no track becomes active. Such a track keeps no cues, so choosing it again
// downloads it again and rewrites the same file.
void SubtitleEndToEndTest::fileWithoutCuesGoesToTheEngine() {
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    PlayerProcess& player = startPlayer();
    const int asked = server_->requestCount(path);
    player.send(loadWithTracks({path}, settings()));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    QVERIFY2(QTest::qWaitFor([&] { return !engineFiles().isEmpty(); }, kSoonMs),
             qPrintable(player.describe()));
    QCOMPARE(server_->requestCount(path), asked + 1);
    const QStringList files = engineFiles();
    QCOMPARE(files.size(), 1);
    const QString name = files.first();
    QVERIFY2(
        QRegularExpression(QStringLiteral("^velmo-sub--?[0-9]+\\.srt$")).match(name).hasMatch(),
        qPrintable(name));
    const QString file = runtime_->filePath(QStringLiteral("velmo/") + name);
    auto contents = [&file] {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    QCOMPARE(contents(), body);
    QCOMPARE(QFileInfo(runtime_->filePath(QStringLiteral("velmo"))).permissions() & 0x0077,
             QFile::Permissions());

    QFile::remove(file);
    player.send(command("setSubtitle", {{"index", 0}}));
    QVERIFY2(QTest::qWaitFor([&] { return !engineFiles().isEmpty(); }, kSoonMs),
             qPrintable(player.describe()));
    QCOMPARE(server_->requestCount(path), asked + 2);
    QCOMPARE(engineFiles(), QStringList{name});
    QCOMPARE(contents(), body);

    // Neither hand-over made a track active.
    QTest::qWait(500);
    QCOMPARE(player.count(QStringLiteral("settings")), qsizetype(0));
    QCOMPARE(player.count(QStringLiteral("error")), 0);
    closeAndExpectExit();
}

// A subtitle server that accepts and never answers: the player drops the
// connection once its time-out runs out, playing and answering commands all
// along. Nothing becomes active and nothing is handed to the engine; the track
// is not spoilt, choosing it again asks again. (About a minute long.)
void SubtitleEndToEndTest::silentServerFailsTheFetchOnly() {
    const QString path = QStringLiteral("/hang.srt");
    PlayerProcess& player = startPlayer();
    const int asked = server_->requestCount(path);
    const int gaveUp = server_->hangUps(path);
    player.send(loadWithTracks({path}, settings()));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    QVERIFY2(QTest::qWaitFor([&] { return server_->requestCount(path) > asked; }, kSoonMs),
             "the player never asked for the subtitle file");

    QElapsedTimer waited;
    waited.start();
    double lastPosition = 0;
    float volume = 1.0f;
    qsizetype volumeCommands = 0;
    while (server_->hangUps(path) == gaveUp && waited.elapsed() < kFetchGivesUpMs) {
        // Every few seconds: the player answers a command and the clip moves on.
        volume = volume > 0.5f ? 0.4f : 0.9f;
        const qsizetype from = player.events().size();
        player.send(command("setVolume", {{"volume", double(volume)}}));
        ++volumeCommands;
        QVERIFY2(player.waitFor(
                     QStringLiteral("settings"), kSoonMs,
                     [volume](const Event& e) { return float(e.number("volume")) == volume; },
                     from) >= 0,
                 qPrintable(player.describe()));
        const qsizetype moved = player.waitFor(
            QStringLiteral("progress"), kSoonMs,
            [lastPosition](const Event& e) { return e.number("position") > lastPosition + 0.5; },
            from);
        QVERIFY2(moved >= 0, qPrintable(player.describe()));
        lastPosition = player.events()[moved].number("position");
        (void)QTest::qWaitFor([&] { return server_->hangUps(path) != gaveUp; }, 4000);
    }
    QVERIFY2(server_->hangUps(path) == gaveUp + 1,
             qPrintable(QStringLiteral("no time-out within %1 s").arg(kFetchGivesUpMs / 1000)));
    qInfo("the player gave up on the silent server after %.1f s", waited.elapsed() / 1000.0);

    // Still playing afterwards.
    const qsizetype from = player.events().size();
    QVERIFY2(player.waitFor(
                 QStringLiteral("progress"), kSoonMs,
                 [lastPosition](const Event& e) {
                     return e.number("position") > lastPosition + 1.0 &&
                            e.object.value("paused") == QJsonValue(false);
                 },
                 from) >= 0,
             qPrintable(player.describe()));
    // The only "settings" were the answers to the volume commands.
    QCOMPARE(player.count(QStringLiteral("settings")), volumeCommands);
    QCOMPARE(player.count(QStringLiteral("error")), 0);
    QVERIFY(engineFiles().isEmpty());

    const int before = server_->requestCount(path);
    player.send(command("setSubtitle", {{"index", 0}}));
    QVERIFY2(QTest::qWaitFor([&] { return server_->requestCount(path) > before; }, kSoonMs),
             "choosing the track again asked nothing");
    closeAndExpectExit();
}

// The cue in the colour and size set by "setSubtitleStyle", low on the screen;
// the same text from the Windows-1256 file draws the very same ink, another
// text other ink, and switching off clears it.
void SubtitleEndToEndTest::cueIsDrawnInTheChosenColour() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X display (scripts/with-x)");
    PlayerProcess& player = startPlayer();
    player.send(loadWithTracks({QStringLiteral("/fa-utf8.srt"), QStringLiteral("/fa-1256.srt"),
                                QStringLiteral("/other.srt")},
                               settings()));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    QVERIFY2(player.waitFor(QStringLiteral("settings"), kSoonMs, subtitlesOn) >= 0,
             qPrintable(player.describe()));
    player.send(command(
        "setSubtitleStyle",
        {{"subtitleColor", "#ff00ff"}, {"subtitleSize", 64}, {"subtitleBackgroundOpacity", 0}}));

    const Ink utf8 = settledInk(QStringLiteral("subtitles-utf8"));
    QVERIFY2(utf8.count > 2000, qPrintable(QString::number(utf8.count)));
    QCOMPARE(utf8.upperHalf, 0);

    auto choose = [&](int index) {
        const qsizetype from = player.events().size();
        player.send(command("setSubtitle", {{"index", index}}));
        return player.waitFor(QStringLiteral("settings"), kSoonMs, {}, from) >= 0;
    };
    QVERIFY(choose(1));
    const Ink cp1256 = settledInk(QStringLiteral("subtitles-1256"));
    QCOMPARE(cp1256.count, utf8.count);
    QVERIFY(cp1256.mask == utf8.mask);

    QVERIFY(choose(2));
    const Ink other = settledInk(QStringLiteral("subtitles-other"));
    QVERIFY(other.count > 1000);
    QVERIFY(other.mask != utf8.mask);

    QVERIFY(choose(-1));
    QCOMPARE(settledInk(QStringLiteral("subtitles-off")).count, 0);
    closeAndExpectExit();
}

// The ASS file gives the overlay no cue; its magenta event on screen can only
// have been drawn by the engine, from the file it was handed.
void SubtitleEndToEndTest::engineDrawsTheFileItWasHanded() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X display (scripts/with-x)");
    PlayerProcess& player = startPlayer();
    player.send(loadWithTracks({QStringLiteral("/karaoke.ass")}, settings()));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    QVERIFY2(QTest::qWaitFor([&] { return !engineFiles().isEmpty(); }, kSoonMs),
             qPrintable(player.describe()));
    const Ink ink = settledInk(QStringLiteral("subtitles-engine"));
    QVERIFY2(ink.count > 100, qPrintable(QString::number(ink.count)));
    QCOMPARE(ink.upperHalf, 0);
    QCOMPARE(player.count(QStringLiteral("settings")), qsizetype(0));
    closeAndExpectExit();
}

QImage SubtitleEndToEndTest::settledShot(const QString& name,
                                         const std::function<int(const QImage&)>& measure) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage shot;
    int last = -1;
    int same = 0;
    QTest::qWait(1500);
    for (int round = 0; round < 40 && same < 4; ++round) {
        QTest::qWait(300);
        shot = screen->grabWindow(0).toImage();
        const int now = measure(shot);
        same = now == last ? same + 1 : 0;
        last = now;
    }
    shot.save(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("%1.png").arg(name)));
    return shot;
}

// One renderer at a time: once a file goes to the engine (which draws its
// magenta event), the overlay no longer draws the green cue it drew before.
void SubtitleEndToEndTest::handedFileEndsTheOverlaysTrack() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X display (scripts/with-x)");
    PlayerProcess& player = startPlayer();
    QJsonObject look = settings(QStringLiteral("#00ff00"));
    look.insert("subtitleSize", 64);
    look.insert("subtitleBackgroundOpacity", 0);
    player.send(loadWithTracks({QStringLiteral("/fa-utf8.srt"), QStringLiteral("/karaoke.ass")},
                               look));
    QVERIFY2(waitForPlayback() >= 0, qPrintable(player.describe()));
    QVERIFY2(player.waitFor(QStringLiteral("settings"), kSoonMs, subtitlesOn) >= 0,
             qPrintable(player.describe()));
    const QImage before = settledShot(QStringLiteral("handover-before"), greenPixels);
    QVERIFY2(greenPixels(before) > 2000, qPrintable(QString::number(greenPixels(before))));

    player.send(command("setSubtitle", {{"index", 1}}));
    QVERIFY2(QTest::qWaitFor([&] { return !engineFiles().isEmpty(); }, kSoonMs),
             qPrintable(player.describe()));
    const QImage after = settledShot(QStringLiteral("handover-after"),
                                     [](const QImage& shot) { return magentaInk(shot).count; });
    QCOMPARE(greenPixels(after), 0);
    QVERIFY2(magentaInk(after).count > 100, qPrintable(QString::number(magentaInk(after).count)));
    closeAndExpectExit();
}

int main(int argc, char** argv) {
    // Screenshots need the X display; without one the window goes nowhere.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SubtitleEndToEndTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_e2e_subtitles.moc"
