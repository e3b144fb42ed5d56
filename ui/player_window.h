#pragma once

#include <QWidget>

#include <functional>

namespace velmo {

// The top-level player window. Closing it (by the program, the window manager
// or a shortcut) runs `onClose` once, before the window goes away.
class PlayerWindow : public QWidget {
    Q_OBJECT

public:
    explicit PlayerWindow(QWidget* parent = nullptr);

    std::function<void()> onClose;
    std::function<void()> onResize;
    std::function<void()> onFullscreenChanged;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
};

} // namespace velmo
