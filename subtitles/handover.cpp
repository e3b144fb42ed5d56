#include "subtitles/handover.h"

#include "common/temp_dir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSaveFile>

namespace velmo {

QString subtitleFileName(const QString& url) {
    // Any stable 64-bit hash of the URL text will do: the first eight bytes of
    // its SHA-256, read as a signed number (so the name may carry a minus sign).
    const QByteArray digest = QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha256);
    qint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = qint64((quint64(value) << 8) | quint8(digest[i]));
    return QStringLiteral("velmo-sub-%1.srt").arg(value);
}

QString writeHandOverFile(const QString& url, const QByteArray& body) {
    const QString folder = privateTempDirectory();
    const QString path =
        QDir(folder.isEmpty() ? QDir::tempPath() : folder).filePath(subtitleFileName(url));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(body);
        file.commit();
    }
    return path;
}

} // namespace velmo
