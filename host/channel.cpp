// The control channel: commands arrive one JSON object per line on standard
// input, events leave one JSON object per line on standard output.

#include "common/numbers.h"
#include "host/controller.h"
#include "protocol/fields.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QSocketNotifier>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace velmo {

namespace {

struct Command {
    const char* name;
    void (*run)(VelmoPlayerApp& app, const QJsonObject& command);
};

// Compared in this order, exactly and case-sensitively. The fallbacks of
// "seek", "setVolume" and "setRate" are the current values, so such a command
// without its number still runs (and volume and rate still report "settings").
const std::array<Command, 11> kCommands = {{
    {"load",
     [](VelmoPlayerApp& app, const QJsonObject& c) {
         app.startWithPayload(readLoadRequest(c));
     }},
    {"play",
     [](VelmoPlayerApp& app, const QJsonObject&) {
         app.setPaused(false);
     }},
    {"resume",
     [](VelmoPlayerApp& app, const QJsonObject&) {
         app.setPaused(false);
     }},
    {"pause",
     [](VelmoPlayerApp& app, const QJsonObject&) {
         app.setPaused(true);
     }},
    {"toggle",
     [](VelmoPlayerApp& app, const QJsonObject&) {
         app.togglePlay();
     }},
    {"seek",
     [](VelmoPlayerApp& app, const QJsonObject& c) {
         app.seekTo(Num(c, QStringLiteral("position"), app.position));
     }},
    {"setVolume",
     [](VelmoPlayerApp& app, const QJsonObject& c) {
         app.applyVolume(Num(c, QStringLiteral("volume"), app.volume));
     }},
    {"setRate",
     [](VelmoPlayerApp& app, const QJsonObject& c) {
         app.applyRate(Num(c, QStringLiteral("rate"), app.rate));
     }},
    {"setSubtitle",
     [](VelmoPlayerApp& app, const QJsonObject& c) {
         app.applySubtitleIndex(truncToInt64(Num(c, QStringLiteral("index"), -1)));
     }},
    {"setSubtitleStyle",
     [](VelmoPlayerApp& app, const QJsonObject& c) {
         app.applyStyleFrom(readStylePatch(c));
     }},
    {"close",
     [](VelmoPlayerApp& app, const QJsonObject&) {
         app.closeWindow();
     }},
}};

} // namespace

void VelmoPlayerApp::startStdinReader(int fd) {
    // Events must reach the parent at once: flush at every newline.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0)
        return;
    stdinFd_ = fd;
    // The notifier runs on the GUI thread, so reading, cutting and dispatch all
    // happen there, one command at a time. Only what is available is read, so
    // the read never blocks and the descriptor keeps its blocking mode (which the
    // parent may share).
    stdinNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(stdinNotifier_, &QSocketNotifier::activated, this, [this] {
        int available = 0;
        if (::ioctl(stdinFd_, FIONREAD, &available) < 0 || available <= 0)
            available = 64 * 1024;
        std::vector<char> bytes(static_cast<size_t>(available));
        const ssize_t count = ::read(stdinFd_, bytes.data(), bytes.size());
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (count <= 0) {
            // End of input: stop watching, keep playing until closed.
            stdinNotifier_->setEnabled(false);
            return;
        }
        feedInput(QByteArrayView(bytes.data(), count));
    });
}

void VelmoPlayerApp::feedInput(QByteArrayView bytes) {
    stdinBuffer.feed(bytes, [this](const QByteArray& line) { handleLine(line); });
}

void VelmoPlayerApp::handleLine(const QByteArray& line) {
    // "closed" is the last word: once the window is closing, commands that would
    // answer (volume, speed, ...) have nobody to answer.
    if (closing)
        return;
    // Each line is decoded by itself: one that is not UTF-8 is ignored alone.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(line);
    if (decoder.hasError())
        return;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    const QJsonObject command = document.object();
    const QString name = stringField(command, QStringLiteral("command")).value_or(QString());
    for (const Command& row : kCommands) {
        if (name == QLatin1String(row.name)) {
            row.run(*this, command);
            return;
        }
    }
}

void VelmoPlayerApp::emitSettings() {
    events.settings({volume, rate, subtitleEnabled,
                     SubtitleStyle{subtitleFont, subtitleSize, subtitleColorHex, subtitleBoxHex,
                                   subtitleBoxOpacity}});
}

} // namespace velmo
