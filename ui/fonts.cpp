#include "ui/fonts.h"


#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

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

QFont uiFont(double pointSize, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    if (QFontDatabase::hasFamily(QStringLiteral("Vazirmatn")))
        font.setFamilies({QStringLiteral("Vazirmatn")});
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

bool hasEqualDigits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero)
            return false;
    return zero > 0;
}

QFont clockFont(double pointSize, QFont::Weight weight) {
    QFont font = uiFont(pointSize, weight);
    if (hasEqualDigits(font))
        return font;
    for (const char* family : {"DejaVu Sans", "Noto Sans", "Liberation Sans", "Nimbus Sans"}) {
        if (!QFontDatabase::hasFamily(QLatin1String(family)))
            continue;
        font.setFamilies({QLatin1String(family)});
        if (hasEqualDigits(font))
            return font;
    }
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

} // namespace velmo
