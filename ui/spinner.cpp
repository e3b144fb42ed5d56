#include "ui/spinner.h"

#include <QPainter>
#include <QTimer>

namespace velmo {

namespace {
constexpr int kSpokes = 12;
}

Spinner::Spinner(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_->setInterval(80);
    connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kSpokes;
        update();
    });
}

void Spinner::startAnimation() {
    if (!timer_->isActive())
        timer_->start();
}

void Spinner::stopAnimation() {
    timer_->stop();
    update();
}

bool Spinner::isAnimating() const {
    return timer_->isActive();
}

void Spinner::paintEvent(QPaintEvent*) {
    if (!timer_->isActive())
        return; // not drawn while stopped
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen(Qt::white, side / 12.0, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        const int age = (step_ - i + kSpokes) % kSpokes;
        QColor color = Qt::white;
        color.setAlphaF(1.0 - age / double(kSpokes));
        pen.setColor(color);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -side * 0.25), QPointF(0, -side * 0.45));
        painter.rotate(360.0 / kSpokes);
    }
}

} // namespace velmo
