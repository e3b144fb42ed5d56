#include "fake_engine.h"

namespace velmo::test {

namespace {

class FakePlayer final : public MediaPlayer {
public:
    explicit FakePlayer(std::shared_ptr<FakePlayerLog> log) : log_(std::move(log)) {}
    // As the real player does: stopped, then released.
    ~FakePlayer() override {
        log_->calls << QStringLiteral("stop");
        log_->released = true;
    }

    void attachVideo(VideoSink*) override { log_->videoAttached = true; }
    void attachEvents() override { log_->eventsAttached = true; }
    int play() override {
        log_->calls << QStringLiteral("play");
        return playResult;
    }
    void stop() override { log_->calls << QStringLiteral("stop"); }
    void setPause(bool p) override { log_->calls << QStringLiteral("pause %1").arg(p ? 1 : 0); }
    std::int64_t time() override { return log_->time; }
    std::int64_t length() override { return log_->length; }
    void setTime(std::int64_t ms) override { log_->calls << QStringLiteral("time %1").arg(ms); }
    void setVolume(int percent) override {
        log_->calls << QStringLiteral("volume %1").arg(percent);
    }
    void setRate(float rate) override { log_->calls << QStringLiteral("rate %1").arg(rate); }
    QList<TrackDescription> audioTracks() override { return log_->audioTracks; }
    int audioTrack() override { return log_->audioTrack; }
    void setAudioTrack(int id) override {
        log_->calls << QStringLiteral("audio %1").arg(id);
        log_->audioTrack = id;
    }
    QList<TrackDescription> subtitleTracks() override { return log_->subtitleTracks; }
    int subtitleTrack() override { return log_->subtitleTrack; }
    void setSubtitleTrack(int id) override {
        log_->calls << QStringLiteral("spu %1").arg(id);
        log_->subtitleTrack = id;
    }
    void setSubtitleFile(const QString& path) override {
        log_->calls << QStringLiteral("subfile %1").arg(path);
    }

    int playResult = 0;

private:
    std::shared_ptr<FakePlayerLog> log_;
};

class FakeEngine final : public Engine {
public:
    explicit FakeEngine(std::shared_ptr<FakeEngineState> state) : state_(std::move(state)) {}

    std::unique_ptr<MediaPlayer> open(const QString& url, const QStringList& options,
                                      PlayerEvents* events, OpenError* error) override {
        *error = state_->failOpen;
        if (state_->failOpen != OpenError::None)
            return nullptr;
        auto log = std::make_shared<FakePlayerLog>();
        log->url = url;
        log->events = events;
        log->options = options;
        log->audioTracks = state_->audioTracks;
        log->subtitleTracks = state_->subtitleTracks;
        state_->players.append(log);
        auto player = std::make_unique<FakePlayer>(log);
        player->playResult = state_->playResult;
        return player;
    }

private:
    std::shared_ptr<FakeEngineState> state_;
};

} // namespace

EngineFactory fakeEngineFactory(std::shared_ptr<FakeEngineState> state) {
    return [state](const QStringList& args) -> std::unique_ptr<Engine> {
        state->args = args;
        if (state->failCreate)
            return nullptr;
        ++state->instances;
        return std::make_unique<FakeEngine>(state);
    };
}

} // namespace velmo::test
