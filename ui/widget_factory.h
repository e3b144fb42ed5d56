#pragma once

// The few ways the window makes its controls, so that every label, bar and
// chip looks the same.

#include <QColor>
#include <QString>

class QWidget;

namespace velmo {

class MenuChip;
class TextLabel;

// A centred label of up to two lines in the window's font; it takes no mouse.
TextLabel* makeLabel(QWidget* parent, const QString& text, const QColor& color, bool semibold,
                     double size);

// A flat translucent near-black bar.
void paintAsBar(QWidget* bar);

// A chip with the window's chevron.
MenuChip* makeChip(const QString& title, QWidget* parent);

} // namespace velmo
