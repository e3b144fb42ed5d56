#pragma once

// The player's parts as the composition root wires them, with a fake engine, a
// captured event stream, fake subtitle downloads and a manual clock that runs
// the delayed steps, so that tests run deterministically. Tests drive it as
// the parent and the viewer would: command lines, engine events, the window's
// widgets (found by their object names).

#include "fake_engine.h"

#include "app/player_app.h"
#include "ui/player_window.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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
    // `adjust` may change the environment before the player is made.
    explicit Harness(const std::function<void(PlayerEnvironment&)>& adjust = {});
    ~Harness();

    std::shared_ptr<FakeEngineState> engine = std::make_shared<FakeEngineState>();
    QList<QByteArray> lines;
    int terminateCalls = 0;

    // A subtitle download asked for and not yet answered.
    struct Fetch {
        QUrl url;
        QPointer<QObject> owner;
        std::function<void(QByteArray)> done;
    };
    QList<Fetch> fetches;
    // Answers download `index` with `body` (empty: failed), as the network
    // would: nothing arrives once its owner has gone.
    void answerFetch(qsizetype index, const QByteArray& body);

    // The player; its window is built and shown, nothing reads standard input.
    VelmoPlayerApp& app() { return *app_; }
    PlayerWindow& window() { return *app_->window(); }
    Playback& playback() { return app_->playback(); }
    SubtitleController& subtitles() { return app_->subtitles(); }

    // Feeds one command line (a newline is added).
    void send(const QByteArray& line);
    void send(const QJsonObject& command);
    void load(const QJsonObject& extra = {});

    // Moves the manual clock on by `ms`, running the delayed steps that fall
    // due, in order.
    void advance(int ms);
    // Delayed steps waiting whose owner still exists.
    int pendingSteps() const;
    double now() const { return now_ / 1000.0; }

    // Raises an engine event as the current player would, and delivers it.
    void event(int type, int data = 0);
    // The engine's clock: length and time in seconds, reported as events.
    void playAt(double position, double duration = -1);
    // Starts playback: Playing, a video output and the clock moving a little.
    void startPlaying();

    // A widget of the window by its object name; fails the test when missing.
    template <typename T> T* find(const char* name) {
        T* widget = app_->window()->findChild<T*>(QLatin1String(name));
        if (widget == nullptr)
            qWarning("no widget named %s", name);
        return widget;
    }

    QList<QJsonObject> events(const QString& type = {}) const;
    QJsonObject lastEvent(const QString& type) const;
    void clearEvents() { lines.clear(); }
    // Runs `tickProgress` as the progress timer would.
    void tickProgress();

    std::shared_ptr<FakePlayerLog> player() const { return engine->last(); }

    // The folder that holds the fake engine's "plugins".
    QString engineFolder() const { return engineDir_.path(); }

private:
    struct Step {
        qint64 due;
        qint64 order;
        QPointer<QObject> owner;
        std::function<void()> run;
    };
    QList<Step> steps_;
    qint64 now_ = 0;
    qint64 order_ = 0;
    QTemporaryDir engineDir_;
    std::unique_ptr<VelmoPlayerApp> app_;
};

} // namespace velmo::test
