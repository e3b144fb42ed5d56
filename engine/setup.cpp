// The engine instance: made once, on the first "load", from the plug-in folder
// next to the player or the system-wide one.

#include "host/controller.h"
#include "common/texts.h"
#include "subtitles/font_lookup.h"

#include <QDir>
#include <QFileInfo>

namespace velmo {

namespace {

const QStringList kFixedOptions = {
    QStringLiteral("--no-video-title-show"),  QStringLiteral("--quiet"),
    QStringLiteral("--no-snapshot-preview"),  QStringLiteral("--avcodec-hw=any"),
    QStringLiteral("--network-caching=2500"), QStringLiteral("--file-caching=1500"),
    QStringLiteral("--live-caching=2500"),
};

} // namespace

QString VelmoPlayerApp::vlcEngineDirectory() const {
    for (const QString& folder : engineFolders) {
        if (!folder.isEmpty() && QFileInfo::exists(folder))
            return folder;
    }
    return {};
}

bool VelmoPlayerApp::createEngine() {
    if (vlc)
        return true;
    const QString folder = vlcEngineDirectory();
    if (folder.isEmpty()) {
        failWith(text::kErrNoEngine());
        return false;
    }
    qputenv("VLC_PLUGIN_PATH", QDir(folder).filePath(QStringLiteral("plugins")).toLocal8Bit());
    qputenv("VLC_VERBOSE", "-1");

    // libvlc's own subtitle renderer (embedded tracks, files handed to the
    // engine) gets the family of the subtitle font in force now, and fixed looks.
    QString family = ResolveFont(subtitleFont, subtitleSize).family();
    if (family.isEmpty())
        family = QStringLiteral("Helvetica");
    QStringList args = kFixedOptions;
    args << QStringLiteral("--freetype-font=%1").arg(family)
         << QStringLiteral("--freetype-rel-fontsize=16")
         << QStringLiteral("--freetype-color=%1").arg(16777215)
         << QStringLiteral("--freetype-background-opacity=120")
         << QStringLiteral("--freetype-background-color=0")
         << QStringLiteral("--freetype-outline-thickness=4");

    vlc = engineFactory(
        args, [this](std::uint64_t serial, int type, int data) { vlcEvent(serial, type, data); });
    if (!vlc) {
        failWith(text::kErrEngineInit());
        return false;
    }
    return true;
}

} // namespace velmo
