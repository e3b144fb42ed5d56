// The menu chip: its measured width, where its children go, and what a press
// does with and without choices to offer.

#include "support/test_main.h"
#include "ui/menu_chip.h"
#include "ui/text_label.h"
#include "x_input.h"

#include <QLabel>
#include <QMouseEvent>

using namespace velmo;
using namespace velmo::test;

namespace {

// The bar a chip sits in; it counts the presses that reach it.
class Bar : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

struct Fixture {
    Fixture() {
        bar.setGeometry(100, 100, 400, 56);
        chip = new MenuChip(QStringLiteral("کیفیت"), &bar);
        chip->setGeometry(200, 14, 70, 28);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
    }
    ~Fixture() {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
    QMenu* menuWithItems(Qt::LayoutDirection direction = Qt::LeftToRight) {
        auto* menu = new QMenu;
        menu->setLayoutDirection(direction);
        menu->addAction(QStringLiteral("۱۰۸۰p"));
        menu->addAction(QStringLiteral("۷۲۰p"));
        return menu;
    }
    // A press and release that go through the window system's path, so that
    // open pop-ups see them first, as they do for a user.
    void click(QWidget* widget, QPoint pos) {
        QWindow* window = bar.windowHandle();
        const QPoint global = widget->mapToGlobal(pos);
        const QPoint local = bar.mapFromGlobal(global);
        const int t = (QTest::lastMouseTimestamp += 1000);
        qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                            QEvent::MouseButtonPress, Qt::NoModifier, t);
        qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                            QEvent::MouseButtonRelease, Qt::NoModifier, t + 50);
        QTest::lastMouseTimestamp += 1000;
        QCoreApplication::processEvents();
    }
    Bar bar;
    MenuChip* chip;
};

} // namespace

class TestMenuChip : public QObject {
    Q_OBJECT

private slots:
    void fittedWidth_data();
    void fittedWidth();
    void titleIsPlainText();
    void childrenFollowTheSize_data();
    void childrenFollowTheSize();
    void pressWithoutChoicesDoesNothing_data();
    void pressWithoutChoicesDoesNothing();
    void pressOpensMenuBelowLeftEdge_data();
    void pressOpensMenuBelowLeftEdge();
    void pressOnChipClosesItsOpenMenu();
    void realClicksOnTheChip();
    void replacingTheMenuFromItsOwnItem();
    void replacingAnOpenMenu();
};

void TestMenuChip::fittedWidth_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<double>("expected"); // 0: measure the title in the label's font

    QTest::newRow("no title") << QString() << 20.0;
    QTest::newRow("empty title") << QString("") << 20.0;
    QTest::newRow("very long title") << QString(200, QChar('W')) << 260.0;
    QTest::newRow("long persian title") << QStringLiteral("زیرنویس ").repeated(20) << 260.0;
    QTest::newRow("short persian title") << QStringLiteral("صدا: فارسی") << 0.0;
}

void TestMenuChip::fittedWidth() {
    QFETCH(QString, title);
    QFETCH(double, expected);

    MenuChip chip;
    chip.setTitle(title);
    QCOMPARE(chip.title(), title);
    QCOMPARE(chip.label()->text(), title.isNull() ? QString("") : title);
    if (expected == 0) {
        const double advance = QFontMetricsF(chip.label()->font()).horizontalAdvance(title);
        QVERIFY(advance > 0 && advance < 240);
        expected = std::ceil(advance) + 20;
    }
    QCOMPARE(chip.fittedWidth(), expected);
    // The label shows the title on one line, cut off where it is too long,
    // never with an ellipsis.
    chip.resize(qMin(expected, 260.0), 28);
    const QStringList shown = static_cast<TextLabel*>(chip.label())->shownLines();
    QCOMPARE(shown, title.isEmpty() ? QStringList() : QStringList{title});
    chip.resize(70, 28);
    // Setting a title resizes nothing.
    QCOMPARE(chip.size(), QSize(70, 28));
}

void TestMenuChip::titleIsPlainText() {
    // Track names come from the media: markup in them is shown, not obeyed.
    MenuChip chip;
    chip.setTitle(QStringLiteral("x"));
    const int plain = chip.label()->sizeHint().width();
    chip.setTitle(QStringLiteral("<i></i><b></b>x"));
    QVERIFY(chip.label()->sizeHint().width() > plain + 20);
}

void TestMenuChip::childrenFollowTheSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("chevron");
    QTest::addColumn<QRect>("label");

    QTest::newRow("chip height 28")
        << QSize(100, 28) << QRect(1, 8, 12, 12) << QRect(17, 5, 80, 16);
    QTest::newRow("odd height") << QSize(60, 27) << QRect(1, 7, 12, 12) << QRect(17, 4, 40, 16);
    QTest::newRow("narrower than its margins")
        << QSize(10, 28) << QRect(1, 8, 12, 12) << QRect(17, 5, 0, 16);
    QTest::newRow("lower than the chevron")
        << QSize(50, 9) << QRect(1, -2, 12, 12) << QRect(17, -5, 30, 16);
}

void TestMenuChip::childrenFollowTheSize() {
    QFETCH(QSize, size);
    QFETCH(QRect, chevron);
    QFETCH(QRect, label);

    MenuChip chip;
    chip.resize(size);
    chip.show(); // the children are placed when the chip is laid out on screen
    QCOMPARE(chip.chevronRect(), chevron);
    QCOMPARE(chip.label()->geometry(), label);
}

void TestMenuChip::pressWithoutChoicesDoesNothing_data() {
    QTest::addColumn<int>("menu"); // 0 the chip's first menu, 1 hidden items only, 2 none

    QTest::newRow("empty menu") << 0;
    QTest::newRow("only hidden items") << 1;
    QTest::newRow("no menu") << 2;
}

void TestMenuChip::pressWithoutChoicesDoesNothing() {
    QFETCH(int, menu);

    Fixture f;
    if (menu == 1) {
        auto* hidden = new QMenu;
        hidden->addAction(QStringLiteral("x"))->setVisible(false);
        f.chip->setMenu(hidden);
    } else if (menu == 2) {
        f.chip->setMenu(nullptr);
    }
    f.click(f.chip, QPoint(30, 14));
    QTest::mouseClick(f.chip, Qt::RightButton, {}, QPoint(30, 14));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(f.bar.presses, 0);
}

void TestMenuChip::pressOpensMenuBelowLeftEdge_data() {
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::addColumn<Qt::MouseButton>("button");

    QTest::newRow("left-to-right items") << Qt::LeftToRight << Qt::LeftButton;
    QTest::newRow("right-to-left items") << Qt::RightToLeft << Qt::LeftButton;
    QTest::newRow("secondary click") << Qt::RightToLeft << Qt::RightButton;
}

void TestMenuChip::pressOpensMenuBelowLeftEdge() {
    QFETCH(Qt::LayoutDirection, direction);
    QFETCH(Qt::MouseButton, button);

    Fixture f;
    QMenu* menu = f.menuWithItems(direction);
    f.chip->setMenu(menu);
    QCOMPARE(f.chip->menu(), menu);
    QCOMPARE(menu->parent(), f.chip);
    QVERIFY(menu->isWindow());

    QTest::mousePress(f.chip, button, {}, QPoint(50, 10));
    QVERIFY(menu->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), menu);
    QCOMPARE(menu->geometry().topLeft(), f.chip->mapToGlobal(QPoint(0, 28 + 2)));
    QCOMPARE(f.bar.presses, 0);
    menu->close();
    QTestPrivate::qtestMouseButtons = Qt::NoButton; // the release went to the menu
}

void TestMenuChip::pressOnChipClosesItsOpenMenu() {
    Fixture f;
    QMenu* menu = f.menuWithItems();
    f.chip->setMenu(menu);
    f.click(f.chip, QPoint(30, 14));
    QVERIFY(menu->isVisible());

    // The press that closes the menu does not open it again.
    f.click(f.chip, QPoint(30, 14));
    QVERIFY(!menu->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    // A press elsewhere in the bar closes it too, and reaches the bar.
    f.click(f.chip, QPoint(30, 14));
    QVERIFY(menu->isVisible());
    f.click(&f.bar, QPoint(20, 20));
    QVERIFY(!menu->isVisible());
}

void TestMenuChip::realClicksOnTheChip() {
    // Through the X server: a click on the chip opens its menu, a second click
    // on the chip closes it for good, a click on an item chooses it.
    if (!realXInput())
        QSKIP(kRealXInput);
    Fixture f;
    QMenu* menu = f.menuWithItems();
    int chosen = 0;
    QObject::connect(menu->actions().at(1), &QAction::triggered, [&chosen] { ++chosen; });
    f.chip->setMenu(menu);
    const QStringList clickChip = pointerTo(f.chip->mapToGlobal(QPoint(30, 14))) +
                                  QStringList{QStringLiteral("click"), QStringLiteral("1")};

    QVERIFY(xdotool(clickChip));
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->geometry().topLeft(), f.chip->mapToGlobal(QPoint(0, 30)));
    QVERIFY(xdotool(clickChip));
    QTRY_VERIFY(!menu->isVisible());
    QTest::qWait(300); // a press handed back to the chip would open it again by now
    QVERIFY(!menu->isVisible());

    QVERIFY(xdotool(clickChip));
    QTRY_VERIFY(menu->isVisible());
    QTest::qWait(300);
    const QRect item = menu->actionGeometry(menu->actions().at(1));
    QVERIFY(xdotool(pointerTo(menu->mapToGlobal(item.center())) +
                    QStringList{QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE(chosen, 1);
    QVERIFY(!menu->isVisible());
    QCOMPARE(f.bar.presses, 0);
}

void TestMenuChip::replacingTheMenuFromItsOwnItem() {
    // Choosing an item rebuilds the chip's menu from inside that item's signal:
    // the old menu must live until control is back in the event loop.
    Fixture f;
    QPointer<QMenu> old = f.menuWithItems();
    f.chip->setMenu(old);
    bool oldAliveInSlot = false;
    QPointer<QMenu> replacement;
    QObject::connect(old->actions().first(), &QAction::triggered, old, [&] {
        replacement = f.menuWithItems();
        f.chip->setMenu(replacement);
        oldAliveInSlot = !old.isNull();
    });

    f.click(f.chip, QPoint(30, 14));
    QVERIFY(old->isVisible());
    const QRect item = old->actionGeometry(old->actions().first());
    f.click(old, item.center());

    QVERIFY(replacement);
    QCOMPARE(f.chip->menu(), replacement.data());
    QVERIFY(oldAliveInSlot);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old.isNull());

    // The chip owns the menu it has.
    delete f.chip;
    QVERIFY(replacement.isNull());
}

void TestMenuChip::replacingAnOpenMenu() {
    // A rebuild while the user looks at the menu (an engine event) leaves the
    // open menu working until it closes; the next press shows the new one.
    Fixture f;
    QPointer<QMenu> old = f.menuWithItems();
    f.chip->setMenu(old);
    f.click(f.chip, QPoint(30, 14));
    QVERIFY(old->isVisible());

    QMenu* replacement = f.menuWithItems();
    replacement->addAction(QStringLiteral("۴۸۰p"));
    f.chip->setMenu(replacement);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old);
    QVERIFY(old->isVisible());

    old->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old.isNull());
    f.click(f.chip, QPoint(30, 14));
    QVERIFY(replacement->isVisible());
}

VELMO_TEST_MAIN(TestMenuChip)
#include "test_ui_menu_chip.moc"
