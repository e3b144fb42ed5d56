#include "engine/engine_setup.h"

#include <QDir>
#include <QFileInfo>

namespace velmo {

QString findEngineFolder(const QStringList& candidates) {
    for (const QString& folder : candidates) {
        if (!folder.isEmpty() && QFileInfo::exists(folder))
            return folder;
    }
    return {};
}

void prepareEngineEnvironment(const QString& folder) {
    qputenv("VLC_PLUGIN_PATH", QDir(folder).filePath(QStringLiteral("plugins")).toLocal8Bit());
    qputenv("VLC_VERBOSE", "-1");
}

QStringList engineArguments(const QString& fontFamily) {
    return {
        QStringLiteral("--no-video-title-show"),
        QStringLiteral("--quiet"),
        QStringLiteral("--no-snapshot-preview"),
        QStringLiteral("--avcodec-hw=any"),
        QStringLiteral("--network-caching=2500"),
        QStringLiteral("--file-caching=1500"),
        QStringLiteral("--live-caching=2500"),
        QStringLiteral("--freetype-font=%1")
            .arg(fontFamily.isEmpty() ? QStringLiteral("Helvetica") : fontFamily),
        QStringLiteral("--freetype-rel-fontsize=16"),
        // White, whatever the subtitle colour setting is.
        QStringLiteral("--freetype-color=%1").arg(16777215),
        QStringLiteral("--freetype-background-opacity=120"),
        QStringLiteral("--freetype-background-color=0"),
        QStringLiteral("--freetype-outline-thickness=4"),
    };
}

} // namespace velmo
