// Finding the font a subtitle font name means: by face name, by family, then
// the Persian fallbacks.

#include "subtitles/font_lookup.h"

#include <algorithm>
#include <optional>
#include <utility>

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
    QString style;
    QString name; // case-folded
};

// Case-folded, without the spaces, hyphens and underscores that PostScript
// names drop or add: "Vazirmatn Bold" and "Vazirmatn-Bold" both give
// "vazirmatnbold".
QString squeezed(const QString& text) {
    QString out;
    for (QChar c : text.toCaseFolded()) {
        if (c != u' ' && c != u'-' && c != u'_')
            out.append(c);
    }
    return out;
}

// The faces of `family` with their PostScript and full names, read from the
// fonts once per family: loading every face of every installed font would cost
// a noticeable moment at start-up on a desktop with hundreds of families.
const QList<NamedFace>& facesOf(const QString& family) {
    static QHash<QString, QList<NamedFace>> cache;
    auto found = cache.constFind(family);
    if (found != cache.constEnd())
        return *found;
    QList<NamedFace> faces;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QRawFont raw = QRawFont::fromFont(QFontDatabase::font(family, style, 12));
        if (!raw.isValid())
            continue;
        for (const QString& faceName : sfntFaceNames(raw.fontTable("name")))
            faces.append({style, faceName.toCaseFolded()});
    }
    return *cache.insert(family, faces);
}

// The family and style of the face whose PostScript or full name is `name`.
// Such names begin with their family's name (spaces and hyphens aside), so
// only those families are opened.
std::optional<std::pair<QString, QString>> lookUpFace(const QString& name,
                                                      const QStringList& families) {
    const QString wanted = name.toCaseFolded();
    const QString key = squeezed(name);
    for (const QString& family : families) {
        const QString familyKey = squeezed(family);
        if (familyKey.isEmpty() || !key.startsWith(familyKey))
            continue;
        for (const NamedFace& face : facesOf(family)) {
            if (face.name == wanted)
                return std::pair(family, face.style);
        }
    }
    return std::nullopt;
}

std::optional<QFont> fontNamed(const QString& name) {
    // The size slider asks again for the same name at every step of a drag;
    // answers hold until fonts are registered or removed.
    static QStringList knownFamilies;
    static QHash<QString, std::optional<std::pair<QString, QString>>> answers;
    const QStringList families = QFontDatabase::families();
    if (families != knownFamilies) {
        knownFamilies = families;
        answers.clear();
    }
    auto answer = answers.constFind(name);
    if (answer == answers.constEnd())
        answer = answers.insert(name, lookUpFace(name, families));
    if (!*answer)
        return std::nullopt;
    return QFontDatabase::font((*answer)->first, (*answer)->second, 12);
}

// The family of that name as the font database spells it, if there is one.
std::optional<QString> familyNamed(const QString& name) {
    for (const QString& family : QFontDatabase::families()) {
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return family;
    }
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

} // namespace velmo
