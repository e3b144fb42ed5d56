// The application menu. There is no menu bar: the items are offered in a
// context menu over the picture, and their shortcuts work in the window.

#include "host/controller.h"
#include "common/texts.h"
#include "ui/player_window.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>

namespace velmo {

namespace {

QAction* addItem(QWidget* window, const QString& title, const QKeySequence& shortcut,
                 std::function<void()> run) {
    auto* action = new QAction(title, window);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, std::move(run));
    window->addAction(action);
    return action;
}

QAction* addSeparator(QWidget* window) {
    auto* separator = new QAction(window);
    separator->setSeparator(true);
    window->addAction(separator);
    return separator;
}

} // namespace

void VelmoPlayerApp::buildMenu() {
    // Shortcuts live on the window so that they are taken before the picture's
    // own key handling sees the key.
    QWidget* target = content;
    target->setContextMenuPolicy(Qt::ActionsContextMenu);
    addItem(target, text::kMenuAbout().arg(QStringLiteral("Velmo Player")), {}, [this] {
        QMessageBox::about(window, QStringLiteral("Velmo Player"),
                           QStringLiteral("Velmo Player %1").arg(QStringLiteral(VELMO_VERSION)));
    });
    addSeparator(target);
    addItem(target, text::kMenuHide(), QKeySequence(Qt::CTRL | Qt::Key_H),
            [this] { window->showMinimized(); });
    addSeparator(target);
    // Quitting ends the process without "closed": only the window's close reports.
    addItem(target, text::kMenuQuit(), QKeySequence(Qt::CTRL | Qt::Key_Q),
            [] { QCoreApplication::quit(); });
    addSeparator(target);
    addItem(target, text::kFullscreen(), QKeySequence(Qt::CTRL | Qt::META | Qt::Key_F),
            [this] { toggleFullscreen(); });
    addItem(target, text::kMenuClose(), QKeySequence(Qt::CTRL | Qt::Key_W),
            [this] { closeWindow(); });
}

} // namespace velmo
