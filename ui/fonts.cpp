#include "ui/fonts.h"

#include "host/controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

namespace velmo {

QString fontsFolder() {
    const QDir exe(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {exe.filePath(QStringLiteral("Fonts")),
                                     exe.filePath(QStringLiteral("../share/velmo-player/Fonts"))}) {
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    }
    return {};
}

QStringList registerFontsIn(const QString& folder) {
    QStringList families;
    if (folder.isEmpty())
        return families;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Readable);
    for (const QFileInfo& entry : entries) {
        const QString suffix = entry.suffix().toLower();
        if (suffix != QLatin1String("ttf") && suffix != QLatin1String("otf"))
            continue;
        const int id = QFontDatabase::addApplicationFont(entry.absoluteFilePath());
        if (id >= 0)
            families << QFontDatabase::applicationFontFamilies(id);
    }
    families.removeDuplicates();
    return families;
}

void VelmoPlayerApp::registerFonts() {
    registerFontsIn(fontsFolder());
}

} // namespace velmo
