#include "subtitles/fetch.h"

#include "common/delays.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace velmo {

namespace {

void fetchWithQt(QNetworkAccessManager* network, const QUrl& url, QObject* owner,
                 std::function<void(QByteArray)> done) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network->get(request);
    // The owner going ends the download at once.
    QObject::connect(owner, &QObject::destroyed, reply, &QNetworkReply::abort);
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    auto failed = std::make_shared<bool>(false);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, failed] {
        *failed = true;
        reply->abort();
    });
    deadline->start(delay::kSubtitleFetchDeadline);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, failed](qint64 received, qint64) {
                         if (received > kMaxSubtitleBytes && !*failed) {
                             *failed = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, owner,
                     [reply, failed, done = std::move(done)] {
                         done(*failed ? QByteArray() : reply->readAll());
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

} // namespace

SubtitleFetch networkSubtitleFetch(QObject* parent) {
    auto network = std::make_shared<QPointer<QNetworkAccessManager>>();
    return [parent, network](const QUrl& url, QObject* owner,
                             std::function<void(QByteArray)> done) {
        if (!*network)
            *network = new QNetworkAccessManager(parent);
        fetchWithQt(*network, url, owner, std::move(done));
    };
}

} // namespace velmo
