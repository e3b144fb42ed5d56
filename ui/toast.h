#pragma once

// A short message over the picture: shown at once, kept for two seconds from
// the latest message, then faded out. A new message replaces the one shown,
// also one that is fading.

#include <QObject>
#include <QString>

class QPropertyAnimation;
class QTimer;

namespace velmo {

class TextLabel;

class Toast : public QObject {
    Q_OBJECT

public:
    explicit Toast(QWidget* parent);

    void show(const QString& text);
    // Starts the fade now.
    void fade();
    TextLabel* label() const { return label_; }
    // Milliseconds until the fade starts; -1 when none is pending.
    int remaining() const;

private:
    TextLabel* label_;
    QTimer* timer_;
    QPropertyAnimation* fade_;
};

} // namespace velmo
