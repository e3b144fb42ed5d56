#pragma once

// The look of the subtitles the player draws itself, as a value: its defaults
// are written here once, and every other place (the first state, the style
// panel's reset, a "settings" report) takes them from here.

#include <QColor>
#include <QString>

#include <optional>

namespace velmo {

struct SubtitleStyle {
    // A font name or family name, resolved by ResolveFont when drawn.
    QString font = QStringLiteral("Vazirmatn");
    // Logical pixels; stored as given, whatever its range.
    double size = 26.0;
    // Colour texts as the parent and the "settings" event carry them (see
    // HexColor for what is read from them); stored unchanged.
    QString color = QStringLiteral("#ffffff");
    QString background = QStringLiteral("#000000");
    // 0 to 1; stored as given.
    double backgroundOpacity = 0.55;

    bool operator==(const SubtitleStyle&) const = default;

    // The outline strength, in percent of the size: size × 0.075 within 0 to 6.
    double outline() const;
    QColor textColor() const;       // white when the text names no colour
    QColor backgroundColor() const; // black when the text names no colour
};

// What a "setSubtitleStyle" command or the settings of a "load" change: each
// field that is present replaces the setting, the others stay.
struct StylePatch {
    std::optional<bool> enabled; // whether subtitles are wanted
    std::optional<QString> font;
    std::optional<double> size;
    std::optional<QString> color;
    std::optional<QString> background;
    std::optional<double> backgroundOpacity;

    bool operator==(const StylePatch&) const = default;
};

// `style` with the look fields of `patch` applied (`enabled` is not a look).
SubtitleStyle patched(SubtitleStyle style, const StylePatch& patch);

} // namespace velmo
