#include "ui/toast.h"

#include "common/delays.h"
#include "ui/text_label.h"
#include "ui/widget_factory.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QTimer>

namespace velmo {

Toast::Toast(QWidget* parent) : QObject(parent) {
    label_ = makeLabel(parent, QString(), Qt::white, true, 12.5);
    label_->setObjectName(QStringLiteral("toastLabel"));
    label_->setBackground(QColor::fromRgbF(0.05f, 0.05f, 0.05f, 0.85f), 8);
    label_->hide();

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &Toast::fade);
    auto* effect = new QGraphicsOpacityEffect(label_);
    effect->setOpacity(1.0);
    label_->setGraphicsEffect(effect);
    fade_ = new QPropertyAnimation(effect, "opacity", this);
    fade_->setDuration(delay::kToastFade);
    fade_->setEndValue(0.0);
    connect(fade_, &QPropertyAnimation::finished, label_, &QWidget::hide);
}

void Toast::show(const QString& text) {
    fade_->stop();
    static_cast<QGraphicsOpacityEffect*>(label_->graphicsEffect())->setOpacity(1.0);
    label_->setText(text);
    label_->show();
    label_->raise();
    timer_->start(delay::kToastShown);
}

void Toast::fade() {
    fade_->setStartValue(1.0);
    fade_->start();
}

int Toast::remaining() const {
    return timer_->isActive() ? timer_->remainingTime() : -1;
}

} // namespace velmo
