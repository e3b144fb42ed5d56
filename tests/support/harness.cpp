#include "harness.h"

#include "ui/menu_chip.h"

#include <QDir>
#include <QMenu>
#include <QTest>

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

Harness::Harness() {
    app.writeLine = [this](const QByteArray& line) {
        lines.append(line);
    };
    app.scheduleAfter = [this](int ms, std::function<void()> run) {
        steps_.append({now_ + ms, order_++, std::move(run)});
    };
    app.terminate = [this] {
        ++terminateCalls;
    };
    app.engineFactory = fakeEngineFactory(engine);
    QDir(engineDir_.path()).mkpath(QStringLiteral("plugins"));
    app.engineFolders = {QStringLiteral("/nonexistent/velmo/vlc"), engineDir_.path()};
    app.buildWindow();
    app.buildMenu();
}

Harness::~Harness() {
    // The window would run the close sequence as it goes; keep it quiet.
    app.closing = true;
}

void Harness::send(const QByteArray& line) {
    app.feedInput(line + "\n");
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

void Harness::event(int type, int data) {
    app.vlcEvent(player() ? player()->serial : 0, type, data);
}

void Harness::eventFrom(std::uint64_t serial, int type, int data) {
    app.vlcEvent(serial, type, data);
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

} // namespace velmo::test
