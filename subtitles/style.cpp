// The subtitle style: reading it from commands and resolving its font.

#include "subtitles/style.h"

#include "host/controller.h"
#include "host/fields.h"
#include "subtitles/colors.h"
#include "subtitles/overlay.h"

#include <algorithm>

#include <QFontDatabase>

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

QFont ResolveFont(const QString& name, double pointSize) {
    auto sized = [pointSize](QFont font) {
        if (pointSize > 0)
            font.setPointSizeF(pointSize);
        return font;
    };
    const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (name.isEmpty())
        return sized(system);
    const QStringList families = QFontDatabase::families();
    if (families.contains(name))
        return sized(QFont(name));
    for (int i = 0; i < 7; ++i) {
        const QString& fallback = fontChoices().at(i);
        if (fallback != name && families.contains(fallback))
            return sized(QFont(fallback));
    }
    return sized(system);
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
