#pragma once

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "ui/text_label.h"

namespace velmo {

// A title with a downward chevron at its left that opens a menu below itself:
// the quality, audio-track, subtitle and speed menus. The chip never resizes
// itself; whoever changes its title lays the window out again with
// fittedWidth(). It paints no background, only the chevron and the title.
class MenuChip : public QWidget {
    Q_OBJECT

public:
    explicit MenuChip(const QString& title = QString(), QWidget* parent = nullptr);

    // The title may be null (no title); the label then shows nothing.
    void setTitle(const QString& title);
    QString title() const { return title_; }

    // The width that shows the whole title, up to 240, rounded up, plus 20 for
    // the chevron and the margins: 20 without a title, at most 260.
    double fittedWidth() const;

    // The choices. The chip owns its menu and starts with an empty one; a new
    // menu replaces the old as a whole, and the old one is deleted once it is
    // no longer on screen (an item of it may be the one replacing it). Null
    // leaves the chip without a menu. A press opens the menu only when it has
    // a visible item.
    QMenu* menu() const { return menu_; }
    void setMenu(QMenu* menu);

    void setChevron(const QIcon& icon);
    QIcon chevron() const { return chevron_; }

    QLabel* label() const { return label_; }
    // Where the chevron is drawn, in the chip's coordinates.
    QRect chevronRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void openMenu();

    TextLabel* label_;
    QIcon chevron_;
    QString title_;
    QPointer<QMenu> menu_;
};

} // namespace velmo
