#pragma once

#include <QWidget>

class QTimer;

namespace velmo {

// An indeterminate busy indicator, drawn only while it runs.
class Spinner : public QWidget {
    Q_OBJECT

public:
    explicit Spinner(QWidget* parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* timer_;
    int step_ = 0;
};

} // namespace velmo
