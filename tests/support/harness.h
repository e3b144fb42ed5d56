#pragma once

// A controller wired to a fake engine, a captured event stream and a manual
// clock for its delayed steps, so that tests run deterministically.

#include "../host/fake_engine.h"
#include "host/controller.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace velmo {
class MenuChip;
}

namespace velmo::test {

// A chip's menu as text: separators as "--", checked items marked " *".
QStringList menuItems(MenuChip* chip);
// Triggers the `n`th item titled `title` as a click would; fails the test when
// there is none.
void chooseMenuItem(MenuChip* chip, const QString& title, int n = 0);

class Harness {
public:
    Harness();
    ~Harness();

    VelmoPlayerApp app;
    std::shared_ptr<FakeEngineState> engine = std::make_shared<FakeEngineState>();
    QList<QByteArray> lines;
    int terminateCalls = 0;

    // Feeds one command line (a newline is added).
    void send(const QByteArray& line);
    void send(const QJsonObject& command);
    void load(const QJsonObject& extra = {});

    // Runs the delayed steps that fall due within `ms` of manual time.
    void advance(int ms);
    int pendingSteps() const { return int(steps_.size()); }

    // Raises an engine event as the current player would (or as `serial`).
    void event(int type, int data = 0);
    void eventFrom(std::uint64_t serial, int type, int data = 0);

    QList<QJsonObject> events(const QString& type = {}) const;
    QJsonObject lastEvent(const QString& type) const;
    void clearEvents() { lines.clear(); }

    std::shared_ptr<FakePlayerLog> player() const { return engine->last(); }

private:
    struct Step {
        qint64 due;
        qint64 order;
        std::function<void()> run;
    };
    QList<Step> steps_;
    qint64 now_ = 0;
    qint64 order_ = 0;
    QTemporaryDir engineDir_;
};

} // namespace velmo::test
