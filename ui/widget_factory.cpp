#include "ui/widget_factory.h"

#include "ui/fonts.h"
#include "ui/icon_button.h"
#include "ui/menu_chip.h"
#include "ui/text_label.h"

namespace velmo {

TextLabel* makeLabel(QWidget* parent, const QString& text, const QColor& color, bool semibold,
                     double size) {
    auto* label = new TextLabel(text, parent);
    label->setFont(uiFont(size, semibold ? QFont::DemiBold : QFont::Normal));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setMaxLines(2);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

void paintAsBar(QWidget* bar) {
    bar->setAutoFillBackground(true);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, QColor::fromRgbF(0.03f, 0.03f, 0.03f, 0.72f));
    bar->setPalette(p);
}

MenuChip* makeChip(const QString& title, QWidget* parent) {
    static const QIcon chevron(symbolPixmap(QStringLiteral("chevron.down"), QSizeF(12, 12),
                                            QColor::fromRgbF(0.7f, 0.7f, 0.7f), 2.0));
    auto* chip = new MenuChip(title, parent);
    chip->setChevron(chevron);
    return chip;
}

} // namespace velmo
