#pragma once

// The real player binary as its parent application runs it: a child process fed
// command lines on its standard input, whose standard output is read line by
// line as events. Every line is checked against what the channel promises (one
// compact JSON object with a "type" per line, nothing after "closed") and against
// the protocol's JSON Schema, so that a stray log line on stdout, a missing key or a
// key too many fails whichever test provoked it.

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <functional>

namespace velmo::e2e {

class PlayerProcess : public QObject {
    Q_OBJECT

public:
    struct Event {
        QJsonObject object;
        QByteArray line; // as written, without its newline
        qint64 at = 0;   // ms since the process was started
        QString type() const { return object.value(QStringLiteral("type")).toString(); }
        double number(const char* key) const;
        // The JSON text of a top-level number or literal, exactly as written ("0.55").
        QByteArray raw(const char* key) const;
    };
    using Accept = std::function<bool(const Event&)>;

    explicit PlayerProcess(QObject* parent = nullptr);
    // A player still running is killed: tests that reach their end close it.
    ~PlayerProcess() override;

    // For the next start(): one variable of the player's environment.
    void setEnvironmentValue(const QString& name, const QString& value);
    // For the next start(): another player binary than the one built with the tests.
    void setProgram(const QString& program) { program_ = program; }
    bool start();
    void send(const QJsonObject& command);
    // Exactly these bytes, handed to the pipe before this returns.
    void sendRaw(const QByteArray& bytes);
    void closeInput();

    const QList<Event>& events() const { return events_; }
    QList<Event> events(const QString& type, qsizetype from = 0) const;
    qsizetype count(const QString& type) const { return events(type).size(); }
    qint64 elapsed() const { return clock_.elapsed(); }

    // Waits up to `timeoutMs` for an event of `type` at index `from` or later that
    // `accept` takes; returns its index, or -1 (at once when the player has
    // exited and everything it wrote has been read).
    qsizetype waitFor(const QString& type, int timeoutMs, const Accept& accept = {},
                      qsizetype from = 0);
    bool waitForExit(int timeoutMs);

    bool running() const { return !finished_; }
    qint64 processId() const { return process_.processId(); }
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }

    // What broke the channel's promises so far, one sentence each; waits for the schema
    // checker's answers about every line read so far.
    QStringList protocolFaults();
    // The last events and the tail of stderr, for failure messages.
    QString describe() const;

private:
    void readOutput();
    void takeLine(const QByteArray& line);
    void startChecker();
    void readCheckerAnswers();

    // VELMO_TEST_PLAYER runs the tests against another build of the player.
    QString program_ = qEnvironmentVariable("VELMO_TEST_PLAYER", QStringLiteral(VELMO_PLAYER_BINARY));
    QProcess process_;
    // One process checks every line against the schema; it answers each line in turn.
    QProcess checker_;
    QByteArray checkerBuffer_;
    QList<QByteArray> unanswered_; // lines sent to the checker, oldest first
    QElapsedTimer clock_;
    QByteArray outBuffer_;
    QByteArray errText_;
    QList<Event> events_;
    QStringList faults_;
    bool closedSeen_ = false;
    bool finished_ = false;
};

} // namespace velmo::e2e
