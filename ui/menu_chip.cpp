#include "ui/menu_chip.h"

#include "ui/fonts.h"
#include "ui/text_label.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

constexpr double kMaxTitleWidth = 240;
constexpr double kChrome = 20; // chevron, gaps and the right margin
constexpr int kChevronSide = 12;
constexpr int kLabelHeight = 16;

int floorHalf(int n) {
    return static_cast<int>(std::floor(n / 2.0));
}

} // namespace

MenuChip::MenuChip(const QString& title, QWidget* parent)
    : QWidget(parent), label_(new TextLabel(QString(), this)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);

    label_->setFont(uiFont(11.5, QFont::Medium));
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.93f, 0.93f, 0.93f));
    label_->setPalette(palette);
    // Titles carry track names from the media and the parent app: never markup.
    label_->setTextFormat(Qt::PlainText);
    // Right-aligned in either layout direction; a long title is cut, not elided.
    label_->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    label_->setMaxLines(1);
    label_->setElides(false);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);

    setMenu(new QMenu);
    resize(70, 28);
    setTitle(title);
}

void MenuChip::setTitle(const QString& title) {
    title_ = title;
    label_->setText(title);
}

double MenuChip::fittedWidth() const {
    const double width =
        title_.isEmpty() ? 0 : QFontMetricsF(label_->font()).horizontalAdvance(title_);
    return std::ceil(std::min(width, kMaxTitleWidth)) + kChrome;
}

void MenuChip::setMenu(QMenu* menu) {
    if (menu == menu_)
        return;
    if (QMenu* old = menu_) {
        // The old menu may be on screen, or be the one whose item is running
        // this rebuild: it goes only once it has closed and control is back in
        // the event loop.
        if (old->isVisible())
            connect(old, &QMenu::aboutToHide, old, &QObject::deleteLater);
        else
            old->deleteLater();
    }
    menu_ = menu;
    if (menu) {
        // Owned by the chip, still a pop-up window of its own.
        menu->setParent(this, menu->windowFlags());
    }
}

void MenuChip::setChevron(const QIcon& icon) {
    chevron_ = icon;
    update();
}

QRect MenuChip::chevronRect() const {
    return {1, floorHalf(height() - kChevronSide), kChevronSide, kChevronSide};
}

void MenuChip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    label_->setGeometry(17, floorHalf(height() - kLabelHeight) - 1, std::max(width() - 20, 0),
                        kLabelHeight);
}

void MenuChip::paintEvent(QPaintEvent*) {
    if (chevron_.isNull())
        return;
    QPainter painter(this);
    chevron_.paint(&painter, chevronRect());
}

void MenuChip::mousePressEvent(QMouseEvent* event) {
    // Presses stop here, so a press on a chip never reaches the picture below.
    event->accept();
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        openMenu();
}

void MenuChip::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void MenuChip::contextMenuEvent(QContextMenuEvent* event) {
    // The right press has already opened the chip's own menu; the window's
    // context menu must not follow it.
    event->accept();
}

void MenuChip::openMenu() {
    if (!menu_ || menu_->isEmpty())
        return;
    // Top-left corner at the chip's left edge, 2 below the chip, whatever the
    // direction of the items' texts.
    menu_->popup(mapToGlobal(QPoint(0, height() + 2)));
}

} // namespace velmo
