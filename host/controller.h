#pragma once

// VelmoPlayerApp owns every piece of player state: the engine handles, the
// current media, the user's settings, the playback flags, the timers and every
// view of the window. Its member functions are spread over the subsystem
// folders (host/lifecycle.cpp, engine/transport.cpp, ...), one chapter each.

#include "engine/engine.h"
#include "playback/media.h"
#include "protocol/events.h"
#include "protocol/line_cutter.h"
#include "protocol/load_request.h"
#include "subtitles/model.h"
#include "ui/player_controls.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QLabel;
class QNetworkAccessManager;
class QUrl;
class QPropertyAnimation;
class QSlider;
class QSocketNotifier;
class QTimer;
class QWidget;

namespace velmo {

class IconButton;
class MenuChip;
class PlayerWindow;
class Spinner;
class StylePanelController;
class SubtitleOverlayView;
class VelmoSlider;
class VideoView;

// The name under which a subtitle file from `url` is handed to the engine.
QString subtitleFileName(const QString& url);

class VelmoPlayerApp : public QObject, public VelmoPlayerControls {
    Q_OBJECT

public:
    // Where events go (one line, without its newline) and how delayed steps are
    // scheduled; tests replace both.
    using LineWriter = std::function<void(const QByteArray&)>;
    using Scheduler = std::function<void(int ms, std::function<void()>)>;

    explicit VelmoPlayerApp(QObject* parent = nullptr);
    ~VelmoPlayerApp() override;

    // Start-up and end of the process.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void windowWillClose();
    void closeWindow();
    void finishAndExit();
    void stopTimers();

    // Control channel.
    void startStdinReader(int fd = 0);
    void feedInput(QByteArrayView bytes);
    void handleLine(const QByteArray& line);
    void emitSettings();

    // Progress.
    void tickProgress();
    void emitProgress();

    // Engine.
    bool createEngine();
    QString vlcEngineDirectory() const;
    void startWithPayload(const LoadRequest& request);
    void playCurrentURL(const QString& url, double startAt);
    void vlcEvent(std::uint64_t serial, int type, int data);
    void failWith(const QString& message);
    void hideLoading();

    // Transport.
    void togglePlay();
    void setPaused(bool paused);
    void seekTo(double seconds);
    void skipBack();
    void skipForward();
    void positionChanged();
    void applyVolume(double volume);
    void volumeChanged();
    void toggleMute();
    void updateVolumeIcon();
    void applyRate(double rate);

    // Menus.
    static QString rateTitle(double rate);
    void rebuildQualityMenu();
    void qualityItemSelected(qsizetype index);
    QList<TrackDescription> audioTracks();
    void rebuildAudioMenu();
    void audioItemSelected(const TrackDescription& entry);
    void rebuildRateMenu();
    void rebuildSubtitleMenu();

    // Subtitles.
    void loadExternalSubtitle(const std::shared_ptr<SubtitleTrack>& track);
    void subtitleFetched(const std::shared_ptr<SubtitleTrack>& track, const QByteArray& body);
    void applySubtitleIndex(std::int64_t index);
    void applyStyleFrom(const StylePatch& patch);
    void applyStylePatch(const StylePatch& patch);
    void applySubtitleStyle();
    // After each change made in the style panel: apply, relabel, report.
    void styleChanged();
    // Opens the style panel anchored above `anchor` (made on first use).
    void showStylePanel(QWidget* anchor);
    void updateSubtitleCue();
    void disableSubtitles();
    QList<TrackDescription> embeddedSubtitleTracks();
    void subtitleEmbeddedSelected(const TrackDescription& entry);
    void toggleSubtitles();
    void activateTrack(const std::shared_ptr<SubtitleTrack>& track);

    // Window.
    void registerFonts();
    void buildMenu();
    void buildWindow();
    void layoutUI();
    void updatePositionUI();
    void refreshDurationUI();
    void updateCenterButton();
    void setPlaySymbol(const QString& symbol);
    void showControls();
    void hideControls();
    void toggleControls() override;
    void mouseActivity() override;
    void handleKey(QKeyEvent* event) override;
    void tickUI();
    bool stylePanelShown() const;
    void setSubtitleInset(double inset);
    void showToast(const QString& text);
    void hideToast();
    // Milliseconds until the toast shown starts to fade; -1 when none is pending.
    int toastRemaining() const;
    void toggleFullscreen() override;
    void windowFullscreenChanged();

    // --- state ---------------------------------------------------------------
    PlayerWindow* window = nullptr;
    QWidget* content = nullptr;
    VideoView* video = nullptr;
    SubtitleOverlayView* subtitle = nullptr;
    QWidget* topBar = nullptr;
    QWidget* bottomBar = nullptr;
    QLabel* titleLabel = nullptr;
    QLabel* subtitleLabel = nullptr;
    MenuChip* qualityPopup = nullptr;
    MenuChip* audioPopup = nullptr;
    MenuChip* subtitlePopup = nullptr;
    MenuChip* ratePopup = nullptr;
    IconButton* playButton = nullptr;
    IconButton* centerButton = nullptr;
    VelmoSlider* positionSlider = nullptr;
    QLabel* currentLabel = nullptr;
    QLabel* durationLabel = nullptr;
    IconButton* volumeButton = nullptr;
    QSlider* volumeSlider = nullptr;
    QLabel* liveBadge = nullptr;
    Spinner* spinner = nullptr;
    QLabel* loadingLabel = nullptr;
    QLabel* errorLabel = nullptr;
    QLabel* toastLabel = nullptr;
    IconButton* skipBackButton_ = nullptr;
    IconButton* skipForwardButton_ = nullptr;
    IconButton* settingsButton = nullptr;
    IconButton* fullscreenButton = nullptr;
    // The style panel, made on the first click of the gear; lives with the window.
    StylePanelController* styleController = nullptr;

    std::unique_ptr<Engine> vlc;
    std::unique_ptr<MediaPlayer> player;
    QList<SourceEntry> sources;
    QList<std::shared_ptr<SubtitleTrack>> subtitles;
    std::shared_ptr<SubtitleTrack> activeTrack;
    bool live = false;
    double duration = 0;
    double position = 0;
    bool seeking = false;
    bool paused = false;
    bool controlsHidden = false;
    QTimer* uiTimer = nullptr;
    QTimer* progressTimer = nullptr;
    double lastMouse = 0;
    bool ended = false;
    bool closing = false;
    bool started = false;
    QString mediaURL;
    double startPosition = 0;
    std::optional<QString> currentQuality;
    std::optional<QString> currentAudioName;
    bool subtitleEnabled = true;
    QString subtitleFont = QStringLiteral("Vazirmatn");
    double subtitleSize = 26.0;
    QString subtitleColorHex = QStringLiteral("#ffffff");
    QString subtitleBoxHex = QStringLiteral("#000000");
    double subtitleBoxOpacity = 0.55;
    float volume = 1.0f;
    float rate = 1.0f;
    float lastVolume = 1.0f;
    LineCutter stdinBuffer;
    bool autoSubtitleTried = false;
    bool enteredFullscreen = false; // the first successful load went fullscreen once

    // --- seams -----------------------------------------------------------------
    LineWriter writeLine;
    EventWriter events{[this](const QByteArray& line) { writeLine(line); }};
    Scheduler scheduleAfter;
    EngineFactory engineFactory;
    // Candidate engine folders, in search order (each holds "plugins").
    QStringList engineFolders;
    // Asked to end the process (the event loop's quit by default).
    std::function<void()> terminate;
    // Fetches a subtitle file and calls back with its body (empty: failed); the
    // network by default, tests put a fake here.
    std::function<void(const QUrl&, std::function<void(QByteArray)>)> fetchSubtitle;
    // Seconds on a steady clock; the time of activity and of auto-hiding.
    std::function<double()> clock;

private:
    void runStartupMenuAction();
    void autoLoadFirstSubtitle();
    void scheduleMenuRebuild(int ms);

    QSocketNotifier* stdinNotifier_ = nullptr;
    QTimer* toastTimer_ = nullptr;
    QNetworkAccessManager* network_ = nullptr;
    QPropertyAnimation* toastFade_ = nullptr;

public:
    // Whether the subtitle style popup, or the colour dialog it opened, is up
    // (none: never).
    std::function<bool()> stylePanelShown_;
    int stdinFd_ = -1;
    bool terminated_ = false;
};

} // namespace velmo
