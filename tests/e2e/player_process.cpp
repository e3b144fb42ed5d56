#include "player_process.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QProcessEnvironment>
#include <QStringDecoder>
#include <QTest>

namespace velmo::e2e {

namespace {

// True when the text has no white space outside its strings.
bool isCompact(const QByteArray& line) {
    bool inString = false;
    bool escaped = false;
    for (const char c : line) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            return false;
        }
    }
    return true;
}

// The text of the value of a top-level `key` in a one-line JSON object, as written.
QByteArray rawValue(const QByteArray& line, const QByteArray& key) {
    const QByteArray quotedKey = '"' + key + "\":";
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    qsizetype valueStart = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (valueStart >= 0 && depth == 1 && (c == ',' || c == '}'))
            return line.mid(valueStart, i - valueStart);
        if (c == '"') {
            if (depth == 1 && valueStart < 0 && line.mid(i).startsWith(quotedKey)) {
                valueStart = i + quotedKey.size();
                i = valueStart - 1;
                continue;
            }
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return {};
}

} // namespace

double PlayerProcess::Event::number(const char* key) const {
    return object.value(QLatin1String(key)).toDouble(qQNaN());
}

QByteArray PlayerProcess::Event::raw(const char* key) const {
    return rawValue(line, key);
}

PlayerProcess::PlayerProcess(QObject* parent) : QObject(parent) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Under scripts/test the player gets the Xvfb display with its window
    // manager; elsewhere it draws nowhere.
    if (environment.value(QStringLiteral("DISPLAY")).isEmpty())
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(environment);
    connect(&process_, &QProcess::readyReadStandardOutput, this, &PlayerProcess::readOutput);
    connect(&process_, &QProcess::readyReadStandardError, this,
            [this] { errText_ += process_.readAllStandardError(); });
    connect(&process_, &QProcess::finished, this, [this] {
        readOutput();
        errText_ += process_.readAllStandardError();
        finished_ = true;
        if (!outBuffer_.isEmpty())
            faults_ << QStringLiteral("output ends inside a line: %1")
                           .arg(QString::fromUtf8(outBuffer_));
    });
}

PlayerProcess::~PlayerProcess() {
    if (running()) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    if (checker_.state() != QProcess::NotRunning) {
        checker_.closeWriteChannel();
        if (!checker_.waitForFinished(5000))
            checker_.kill();
        checker_.waitForFinished(5000);
    }
}

void PlayerProcess::startChecker() {
    connect(&checker_, &QProcess::readyReadStandardOutput, this,
            &PlayerProcess::readCheckerAnswers);
    checker_.start(QStringLiteral(VELMO_PYTHON),
                   {QStringLiteral(VELMO_LINE_CHECKER), QStringLiteral(VELMO_PROTOCOL_SCHEMA),
                    QStringLiteral("eventV1")});
    if (!checker_.waitForStarted(10000))
        faults_
            << QStringLiteral("the schema checker did not start: %1").arg(checker_.errorString());
    connect(&checker_, &QProcess::finished, this, [this] {
        readCheckerAnswers();
        if (!unanswered_.isEmpty())
            faults_ << QStringLiteral("the schema checker stopped: %1")
                           .arg(QString::fromLocal8Bit(checker_.readAllStandardError()));
        unanswered_.clear();
    });
}

void PlayerProcess::readCheckerAnswers() {
    checkerBuffer_ += checker_.readAllStandardOutput();
    for (qsizetype end = checkerBuffer_.indexOf('\n'); end >= 0;
         end = checkerBuffer_.indexOf('\n')) {
        const QByteArray answer = checkerBuffer_.left(end);
        checkerBuffer_.remove(0, end + 1);
        const QByteArray line = unanswered_.isEmpty() ? QByteArray() : unanswered_.takeFirst();
        if (answer != "ok")
            faults_ << QStringLiteral("not as the schema says (%1): %2")
                           .arg(QString::fromUtf8(answer.mid(answer.indexOf(' ') + 1)),
                                QString::fromUtf8(line));
    }
}

QStringList PlayerProcess::protocolFaults() {
    if (!unanswered_.isEmpty() &&
        !QTest::qWaitFor([this] { return unanswered_.isEmpty(); }, 20000)) {
        faults_ << QStringLiteral("the schema checker did not answer about %1 lines: %2")
                       .arg(unanswered_.size())
                       .arg(QString::fromLocal8Bit(checker_.readAllStandardError()));
        unanswered_.clear();
    }
    return faults_;
}

void PlayerProcess::setEnvironmentValue(const QString& name, const QString& value) {
    QProcessEnvironment environment = process_.processEnvironment();
    environment.insert(name, value);
    process_.setProcessEnvironment(environment);
}

bool PlayerProcess::start() {
    startChecker();
    clock_.start();
    process_.start(program_, {});
    return process_.waitForStarted(10000);
}

void PlayerProcess::send(const QJsonObject& command) {
    sendRaw(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
}

void PlayerProcess::sendRaw(const QByteArray& bytes) {
    process_.write(bytes);
    process_.waitForBytesWritten(5000);
}

void PlayerProcess::closeInput() {
    process_.closeWriteChannel();
}

QList<PlayerProcess::Event> PlayerProcess::events(const QString& type, qsizetype from) const {
    QList<Event> found;
    for (qsizetype i = from; i < events_.size(); ++i) {
        if (events_[i].type() == type)
            found.append(events_[i]);
    }
    return found;
}

qsizetype PlayerProcess::waitFor(const QString& type, int timeoutMs, const Accept& accept,
                                 qsizetype from) {
    qsizetype found = -1;
    auto look = [&] {
        for (qsizetype i = from; i < events_.size(); ++i) {
            if (events_[i].type() == type && (!accept || accept(events_[i]))) {
                found = i;
                return true;
            }
        }
        from = std::max(from, events_.size());
        return finished_; // nothing more will come
    };
    (void)QTest::qWaitFor(look, timeoutMs);
    return found;
}

bool PlayerProcess::waitForExit(int timeoutMs) {
    return QTest::qWaitFor([this] { return finished_; }, timeoutMs);
}

QString PlayerProcess::describe() const {
    QStringList text;
    text << QStringLiteral("last events:");
    for (qsizetype i = std::max<qsizetype>(0, events_.size() - 8); i < events_.size(); ++i)
        text << QStringLiteral("  %1 ms %2")
                    .arg(events_[i].at)
                    .arg(QString::fromUtf8(events_[i].line));
    if (finished_) {
        text << (process_.exitStatus() == QProcess::NormalExit
                     ? QStringLiteral("exited with status %1").arg(process_.exitCode())
                     : QStringLiteral("crashed"));
    }
    // The audio library's complaints about a machine without sound cards
    // would bury anything of interest.
    QStringList errLines;
    for (const QByteArray& line : errText_.split('\n')) {
        if (!line.startsWith("ALSA lib "))
            errLines << QString::fromLocal8Bit(line);
    }
    text << QStringLiteral("stderr (end):")
         << errLines.mid(std::max<qsizetype>(0, errLines.size() - 20));
    return text.join(QLatin1Char('\n'));
}

void PlayerProcess::readOutput() {
    outBuffer_ += process_.readAllStandardOutput();
    for (qsizetype end = outBuffer_.indexOf('\n'); end >= 0; end = outBuffer_.indexOf('\n')) {
        const QByteArray line = outBuffer_.left(end);
        outBuffer_.remove(0, end + 1);
        takeLine(line);
    }
}

void PlayerProcess::takeLine(const QByteArray& line) {
    if (checker_.state() == QProcess::Running) {
        unanswered_.append(line);
        checker_.write(line + '\n');
    }
    const QString shown = QString::fromUtf8(line);
    if (closedSeen_)
        faults_ << QStringLiteral("line after \"closed\": %1").arg(shown);
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8(line);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (utf8.hasError() || error.error != QJsonParseError::NoError || !document.isObject()) {
        faults_ << QStringLiteral("not a JSON object: %1").arg(shown);
        return;
    }
    if (!isCompact(line))
        faults_ << QStringLiteral("not compact: %1").arg(shown);
    Event event{document.object(), line, clock_.elapsed()};
    if (!event.object.value(QStringLiteral("type")).isString())
        faults_ << QStringLiteral("no type: %1").arg(shown);
    if (event.type() == QLatin1String("closed"))
        closedSeen_ = true;
    events_.append(event);
}

} // namespace velmo::e2e
