#include "harness.h"

#include "ui/menu_chip.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>

#include <algorithm>

namespace velmo::test {

QStringList menuItems(MenuChip* chip) {
    QStringList items;
    for (QAction* action : chip->menu()->actions())
        items << (action->isSeparator() ? QStringLiteral("--")
                                        : action->text() + (action->isChecked() ? " *" : ""));
    return items;
}

void chooseMenuItem(MenuChip* chip, const QString& title, int n) {
    for (QAction* action : chip->menu()->actions()) {
        if (action->text() == title && n-- == 0) {
            action->trigger();
            return;
        }
    }
    QFAIL(qPrintable("no menu item " + title));
}

Harness::Harness(const std::function<void(PlayerEnvironment&)>& adjust) {
    QDir(engineDir_.path()).mkpath(QStringLiteral("plugins"));
    PlayerEnvironment env;
    env.writeLine = [this](const QByteArray& line) {
        lines.append(line);
    };
    env.schedule = [this](QObject* owner, int ms, std::function<void()> run) {
        steps_.append({now_ + ms, order_++, owner, std::move(run)});
    };
    env.engineFactory = fakeEngineFactory(engine);
    env.engineFolders = {QStringLiteral("/nonexistent/velmo/vlc"), engineDir_.path()};
    env.terminate = [this] {
        ++terminateCalls;
    };
    env.fetchSubtitle = [this](const QUrl& url, QObject* owner, std::function<void(QByteArray)> done) {
        fetches.append({url, owner, std::move(done)});
    };
    env.clock = [this] {
        return now();
    };
    env.inputFd = -1;
    if (adjust)
        adjust(env);
    app_ = std::make_unique<VelmoPlayerApp>(std::move(env));
    app_->start();
}

Harness::~Harness() {
    // The window would run the close sequence as it goes; nobody listens now.
    lines.clear();
    app_.reset();
}

void Harness::answerFetch(qsizetype index, const QByteArray& body) {
    QVERIFY(index < fetches.size());
    const Fetch fetch = fetches.at(index);
    if (fetch.owner)
        fetch.done(body);
}

void Harness::send(const QByteArray& line) {
    app_->channel().feed(line + "\n");
}

void Harness::send(const QJsonObject& command) {
    send(QJsonDocument(command).toJson(QJsonDocument::Compact));
}

void Harness::load(const QJsonObject& extra) {
    QJsonObject command{{"command", "load"}, {"url", "http://127.0.0.1/media.mp4"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        command.insert(it.key(), it.value());
    send(command);
}

void Harness::advance(int ms) {
    const qint64 until = now_ + ms;
    for (;;) {
        steps_.erase(std::remove_if(steps_.begin(), steps_.end(),
                                    [](const Step& s) { return s.owner.isNull(); }),
                     steps_.end());
        auto next =
            std::min_element(steps_.begin(), steps_.end(), [](const Step& a, const Step& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
        if (next == steps_.end() || next->due > until)
            break;
        now_ = next->due;
        auto run = std::move(next->run);
        steps_.erase(next);
        run();
    }
    now_ = until;
}

int Harness::pendingSteps() const {
    return int(std::count_if(steps_.begin(), steps_.end(),
                             [](const Step& s) { return !s.owner.isNull(); }));
}

void Harness::event(int type, int data) {
    const auto log = player();
    if (!log || !log->events)
        return;
    PlayerEvents* events = log->events;
    events->post(type, data);
    QCoreApplication::sendPostedEvents(events, QEvent::MetaCall);
}

void Harness::playAt(double position, double duration) {
    const auto log = player();
    if (!log)
        return;
    if (duration >= 0) {
        log->length = static_cast<std::int64_t>(duration * 1000);
        event(EngineEvent::LengthChanged);
    }
    log->time = static_cast<std::int64_t>(position * 1000);
    event(EngineEvent::TimeChanged);
}

void Harness::startPlaying() {
    event(EngineEvent::Playing);
    event(EngineEvent::Vout, 1);
}

QList<QJsonObject> Harness::events(const QString& type) const {
    QList<QJsonObject> result;
    for (const QByteArray& line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (type.isEmpty() || object.value(QStringLiteral("type")).toString() == type)
            result.append(object);
    }
    return result;
}

QJsonObject Harness::lastEvent(const QString& type) const {
    const QList<QJsonObject> all = events(type);
    return all.isEmpty() ? QJsonObject() : all.last();
}

void Harness::tickProgress() {
    app_->reportProgress();
}

} // namespace velmo::test
