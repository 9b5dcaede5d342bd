#include "platform/gui/TTimer.h"

#include <QTimerEvent>

#include "platform/gui/Application.h"

// Receives the system timer's events. It is a separate object so that a handler may free its
// own TTimer: the driver, still inside its event, then goes later.
class TTimer::Driver : public QObject {
public:
    explicit Driver(TTimer* owner) : owner_(owner) {}
    TTimer* owner_;

protected:
    void timerEvent(QTimerEvent* event) override {
        if (owner_ && event->timerId() == owner_->timerId_)
            owner_->Tick();
        else
            QObject::timerEvent(event);
    }
};

TTimer::TTimer(QObject* owner) : QObject(owner), driver_(new Driver(this)) {}

TTimer::~TTimer() {
    if (timerId_) driver_->killTimer(timerId_);
    driver_->owner_ = nullptr;
    if (destroyedFlag_) {
        *destroyedFlag_ = true;
        driver_->deleteLater();
    } else {
        delete driver_;
    }
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(int value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (timerId_) {
        driver_->killTimer(timerId_);
        timerId_ = 0;
    }
    if (enabled_ && interval_ > 0 && onTimer_) timerId_ = driver_->startTimer(interval_, Qt::PreciseTimer);
}

void TTimer::Tick() {
    if (inTick_) return;  // the handler is still running, in a modal loop of its own
    bool destroyed = false;
    destroyedFlag_ = &destroyed;
    inTick_ = true;
    TNotifyEvent handler = onTimer_;  // the handler may replace or free itself
    GuardedCall([&] { handler(this); });
    if (destroyed) return;
    inTick_ = false;
    destroyedFlag_ = nullptr;
}
