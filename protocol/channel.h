#pragma once

// The control channel's way in: the parent's bytes on standard input, cut into
// lines, each line decoded by itself, parsed as one JSON command and looked up
// in the command table, whose row reads the command's fields and asks for the
// operation. Every operation comes out as a typed request (a signal); the
// composition root connects each to the part that carries it out.

#include "protocol/line_cutter.h"
#include "protocol/load_request.h"
#include "subtitles/style.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>

#include <cstdint>
#include <optional>

class QSocketNotifier;

namespace velmo {

class Channel : public QObject {
    Q_OBJECT

public:
    explicit Channel(QObject* parent = nullptr);

    // Reads `fd` as it becomes readable, on the GUI thread. A descriptor that
    // is not open is not read. End of input stops the reading, nothing else.
    void start(int fd);
    // Bytes as read from the parent: every line they complete is dispatched,
    // each before the next is cut.
    void feed(QByteArrayView bytes);
    void handleLine(const QByteArray& line);
    // From now on lines are read and dropped (the player is closing).
    void stopDispatch() { dispatching_ = false; }
    // Bytes of an unfinished line held; for tests.
    qsizetype pending() const { return cutter_.pending(); }

signals:
    void loadRequested(const LoadRequest& request);
    void pauseRequested(bool paused); // "pause"; "play" and "resume" with false
    void toggleRequested();
    // Without the number (or with one of another type): the current value.
    void seekRequested(std::optional<double> position);
    void volumeRequested(std::optional<double> volume);
    void rateRequested(std::optional<double> rate);
    void subtitleRequested(std::int64_t index); // negative: off
    void styleRequested(const StylePatch& patch);
    void closeRequested();

private:
    void readAvailable();

    LineCutter cutter_;
    QSocketNotifier* notifier_ = nullptr;
    int fd_ = -1;
    bool dispatching_ = true;
};

} // namespace velmo
