// The subtitle style: reading it from commands and resolving its font.

#include "subtitles/style.h"

#include "host/controller.h"
#include "host/fields.h"
#include "subtitles/colors.h"
#include "subtitles/overlay.h"

#include <algorithm>
#include <optional>

#include <QFontDatabase>
#include <QHash>
#include <QRawFont>

namespace velmo {

const QStringList& fontChoices() {
    static const QStringList choices = {
        QStringLiteral("Vazirmatn"),      QStringLiteral("Shabnam"),     QStringLiteral("Samim"),
        QStringLiteral("Sahel"),          QStringLiteral("Gandom"),      QStringLiteral("Tanha"),
        QStringLiteral("Yekan"),          QStringLiteral("Arial"),       QStringLiteral("Tahoma"),
        QStringLiteral("Helvetica Neue"), QStringLiteral("Avenir Next"), QStringLiteral("Georgia"),
    };
    return choices;
}

namespace {

quint16 bigEndian16(const QByteArray& data, qsizetype at) {
    return quint16(quint8(data[at]) << 8 | quint8(data[at + 1]));
}

// A face that a PostScript or full name reaches, as the font database names it.
struct NamedFace {
    QString family;
    QString style;
};

// Every face's PostScript and full names, case-folded. Built on first use and
// again whenever the set of families changes (fonts registered later).
const NamedFace* faceNamed(const QString& name) {
    static QStringList indexedFamilies;
    static QHash<QString, NamedFace> index;
    static bool built = false;
    const QStringList families = QFontDatabase::families();
    if (!built || families != indexedFamilies) {
        built = true;
        indexedFamilies = families;
        index.clear();
        for (const QString& family : families) {
            for (const QString& style : QFontDatabase::styles(family)) {
                const QRawFont raw = QRawFont::fromFont(QFontDatabase::font(family, style, 12));
                if (!raw.isValid())
                    continue;
                for (const QString& faceName : sfntFaceNames(raw.fontTable("name"))) {
                    const QString key = faceName.toCaseFolded();
                    if (!index.contains(key))
                        index.insert(key, {family, style});
                }
            }
        }
    }
    const auto found = index.constFind(name.toCaseFolded());
    return found == index.constEnd() ? nullptr : &*found;
}

// The family of that name as the font database spells it, if there is one.
std::optional<QString> familyNamed(const QString& name) {
    for (const QString& family : QFontDatabase::families()) {
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return family;
    }
    return std::nullopt;
}

std::optional<QFont> fontNamed(const QString& name) {
    if (const NamedFace* face = faceNamed(name))
        return QFontDatabase::font(face->family, face->style, 12);
    return std::nullopt;
}

std::optional<QFont> regularOfFamily(const QString& name) {
    const std::optional<QString> family = familyNamed(name);
    if (!family)
        return std::nullopt;
    QFont font(*family);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

} // namespace

QStringList sfntFaceNames(const QByteArray& table) {
    QStringList names;
    if (table.size() < 6)
        return names;
    const qsizetype count = bigEndian16(table, 2);
    const qsizetype strings = bigEndian16(table, 4);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype record = 6 + i * 12;
        if (record + 12 > table.size())
            break;
        const quint16 platform = bigEndian16(table, record);
        const quint16 encoding = bigEndian16(table, record + 2);
        const quint16 nameId = bigEndian16(table, record + 6);
        const qsizetype length = bigEndian16(table, record + 8);
        const qsizetype offset = strings + bigEndian16(table, record + 10);
        if ((nameId != 4 && nameId != 6) || offset + length > table.size())
            continue;
        QString text;
        if (platform == 0 || (platform == 3 && (encoding <= 1 || encoding == 10))) {
            for (qsizetype at = offset; at + 1 < offset + length; at += 2)
                text.append(QChar(bigEndian16(table, at)));
        } else if (platform == 1 && encoding == 0) {
            // Mac Roman; the names that matter here are ASCII.
            text = QString::fromLatin1(table.constData() + offset, length);
        } else {
            continue;
        }
        if (!text.isEmpty() && !names.contains(text))
            names.append(text);
    }
    return names;
}

QFont ResolveFont(const QString& name, double pointSize) {
    auto sized = [pointSize](QFont font) {
        if (pointSize > 0)
            font.setPointSizeF(pointSize);
        else
            font.setPixelSize(1); // pointSizeF() is now -1: nothing is drawn
        return font;
    };
    if (name.isEmpty())
        return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    if (std::optional<QFont> font = fontNamed(name))
        return sized(*font);
    if (std::optional<QFont> font = regularOfFamily(name))
        return sized(*font);
    for (qsizetype i = 0; i < 7; ++i) {
        const QString& fallback = fontChoices().at(i);
        if (fallback.compare(name, Qt::CaseInsensitive) == 0)
            continue;
        // The fallbacks are family names; few fonts carry one as a face name
        // (Vazirmatn's regular face is "Vazirmatn Regular"), so the family counts.
        std::optional<QFont> font = fontNamed(fallback);
        if (!font)
            font = regularOfFamily(fallback);
        if (font)
            return sized(*font);
    }
    return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void VelmoPlayerApp::readStyleFields(const QJsonObject& object) {
    if (auto enabled = truthField(object, QStringLiteral("subtitleEnabled")))
        subtitleEnabled = *enabled;
    if (auto font = stringField(object, QStringLiteral("subtitleFont")))
        subtitleFont = *font;
    if (auto size = strictNumberField(object, QStringLiteral("subtitleSize")))
        subtitleSize = *size;
    if (auto color = stringField(object, QStringLiteral("subtitleColor")))
        subtitleColorHex = *color;
    if (auto box = stringField(object, QStringLiteral("subtitleBackground")))
        subtitleBoxHex = *box;
    if (auto opacity = strictNumberField(object, QStringLiteral("subtitleBackgroundOpacity")))
        subtitleBoxOpacity = *opacity;
}

void VelmoPlayerApp::applyStyleFrom(const QJsonObject& command) {
    readStyleFields(command);
    applySubtitleStyle();
}

void VelmoPlayerApp::applySubtitleStyle() {
    if (subtitle == nullptr)
        return;
    subtitle->setFont(ResolveFont(subtitleFont, subtitleSize));
    subtitle->setTextColor(HexColor(subtitleColorHex, Qt::white));
    subtitle->setBoxColor(HexColor(subtitleBoxHex, Qt::black));
    subtitle->setBoxOpacity(subtitleBoxOpacity);
    subtitle->setOutline(std::clamp(subtitleSize * 0.075, 0.0, 6.0));
    subtitle->refresh();
    updateSubtitleCue();
}

} // namespace velmo
