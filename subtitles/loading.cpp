// Fetching an external subtitle track: downloaded once, decoded, parsed; a file
// that gives no cue is handed to the engine's own renderer instead.

#include "host/controller.h"
#include "common/temp_dir.h"
#include "common/texts.h"
#include "subtitles/srt.h"

#include <QCryptographicHash>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

namespace velmo {

namespace {

constexpr qint64 kMaxSubtitleBytes = 32 * 1024 * 1024;
constexpr int kFetchTimeoutMs = 60 * 1000;

} // namespace

QString subtitleFileName(const QString& url) {
    // Any stable 64-bit hash of the URL text will do: the first eight bytes of
    // its SHA-256, read as a signed number (so the name may carry a minus sign).
    const QByteArray digest = QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha256);
    qint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = qint64((quint64(value) << 8) | quint8(digest[i]));
    return QStringLiteral("velmo-sub-%1.srt").arg(value);
}

void fetchWithQt(QNetworkAccessManager* network, const QUrl& url,
                 std::function<void(QByteArray)> done) {
    // A plain GET that follows redirects. Whatever the server answers is the
    // file (an error page too); no answer within a minute, or a body past the
    // size cap, is a failed fetch.
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network->get(request);
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    auto failed = std::make_shared<bool>(false);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, failed] {
        *failed = true;
        reply->abort();
    });
    deadline->start(kFetchTimeoutMs);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, failed](qint64 received, qint64) {
                         if (received > kMaxSubtitleBytes && !*failed) {
                             *failed = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, failed, done = std::move(done)] {
                         reply->deleteLater();
                         done(*failed ? QByteArray() : reply->readAll());
                     });
}

void VelmoPlayerApp::loadExternalSubtitle(const std::shared_ptr<SubtitleTrack>& track) {
    subtitleEnabled = true;
    if (!track->cues.isEmpty()) {
        activateTrack(track);
        return;
    }
    showToast(text::kSubtitleFetching());
    const QUrl url(track->url, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return;
    auto done = [this, track](QByteArray body) {
        subtitleFetched(track, body);
    };
    if (fetchSubtitle) {
        fetchSubtitle(url, std::move(done));
        return;
    }
    if (network_ == nullptr)
        network_ = new QNetworkAccessManager(this);
    fetchWithQt(network_, url, std::move(done));
}

void VelmoPlayerApp::subtitleFetched(const std::shared_ptr<SubtitleTrack>& track,
                                     const QByteArray& body) {
    if (closing)
        return;
    if (body.isEmpty()) {
        showToast(text::kSubtitleFetchFailed());
        return;
    }
    track->cues = ParseSubtitle(DecodeSubtitleData(body));
    if (!track->cues.isEmpty()) {
        activateTrack(track);
        return;
    }
    // Not SRT (another format, an error page): the engine may know it.
    const QString folder = privateTempDirectory();
    const QString path =
        QDir(folder.isEmpty() ? QDir::tempPath() : folder).filePath(subtitleFileName(track->url));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(body);
        file.commit();
    }
    if (player) {
        player->setSubtitleFile(path);
        showToast(text::kSubtitleToEngine());
    }
}

} // namespace velmo
