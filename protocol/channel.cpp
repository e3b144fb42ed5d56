#include "protocol/channel.h"

#include "common/numbers.h"
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
    void (*run)(Channel& channel, const QJsonObject& command);
};

// Compared in this order, exactly and case-sensitively. Only JSON numbers are
// numbers here (true and false as 1 and 0); a missing or mistyped number of
// "seek", "setVolume" and "setRate" means the current value, so such a command
// still acts (and volume and speed still report "settings").
const std::array<Command, 11> kCommands = {{
    {"load", [](Channel& ch, const QJsonObject& c) { emit ch.loadRequested(readLoadRequest(c)); }},
    {"play", [](Channel& ch, const QJsonObject&) { emit ch.pauseRequested(false); }},
    {"resume", [](Channel& ch, const QJsonObject&) { emit ch.pauseRequested(false); }},
    {"pause", [](Channel& ch, const QJsonObject&) { emit ch.pauseRequested(true); }},
    {"toggle", [](Channel& ch, const QJsonObject&) { emit ch.toggleRequested(); }},
    {"seek",
     [](Channel& ch, const QJsonObject& c) {
         emit ch.seekRequested(numberField(c, QStringLiteral("position")));
     }},
    {"setVolume",
     [](Channel& ch, const QJsonObject& c) {
         emit ch.volumeRequested(numberField(c, QStringLiteral("volume")));
     }},
    {"setRate",
     [](Channel& ch, const QJsonObject& c) {
         emit ch.rateRequested(numberField(c, QStringLiteral("rate")));
     }},
    {"setSubtitle",
     [](Channel& ch, const QJsonObject& c) {
         emit ch.subtitleRequested(truncToInt64(Num(c, QStringLiteral("index"), -1)));
     }},
    {"setSubtitleStyle",
     [](Channel& ch, const QJsonObject& c) { emit ch.styleRequested(readStylePatch(c)); }},
    {"close", [](Channel& ch, const QJsonObject&) { emit ch.closeRequested(); }},
}};

} // namespace

Channel::Channel(QObject* parent) : QObject(parent) {}

void Channel::start(int fd) {
    // Events must reach the parent at once: flush at every newline.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0)
        return;
    fd_ = fd;
    // The notifier runs on the GUI thread, so reading, cutting and dispatch all
    // happen there, one command at a time. Only what is available is read, so
    // the read never blocks and the descriptor keeps its blocking mode (which
    // the parent may share).
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Channel::readAvailable);
}

void Channel::readAvailable() {
    int available = 0;
    if (::ioctl(fd_, FIONREAD, &available) < 0 || available <= 0)
        available = 64 * 1024;
    std::vector<char> bytes(static_cast<size_t>(available));
    const ssize_t count = ::read(fd_, bytes.data(), bytes.size());
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count <= 0) {
        // End of input: stop watching, keep playing until closed.
        notifier_->setEnabled(false);
        return;
    }
    feed(QByteArrayView(bytes.data(), count));
}

void Channel::feed(QByteArrayView bytes) {
    cutter_.feed(bytes, [this](const QByteArray& line) { handleLine(line); });
}

void Channel::handleLine(const QByteArray& line) {
    // "closed" is the last word: once the player is closing, commands that
    // would answer (volume, speed, ...) have nobody to answer.
    if (!dispatching_)
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

} // namespace velmo
