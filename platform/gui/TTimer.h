#pragma once
// The framework's timer, not QTimer: setting Enabled to the value it has changes nothing (a
// running timer is not restarted), a new Interval or OnTimer restarts it, it runs only while
// Enabled, Interval > 0 and OnTimer is set, and intervals missed while the thread was busy are
// not queued. Ticks come from the event loop, so they also fire inside modal loops; a tick is
// never entered again while it is still running. Nothing raised by OnTimer leaves the tick.
#include <QObject>

#include "platform/Events.h"

class TTimer : public QObject, public TObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* owner = nullptr);
    ~TTimer() override;

    std::string ClassName() const override { return "TTimer"; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds between ticks; 0 stops the timer.
    int Interval() const { return interval_; }
    void SetInterval(int value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

    // Whether a system timer is running now.
    bool Active() const { return timerId_ != 0; }

private:
    class Driver;
    friend class Driver;
    void UpdateTimer();
    void Tick();

    bool enabled_ = true;
    int interval_ = 1000;
    TNotifyEvent onTimer_;
    Driver* driver_;
    int timerId_ = 0;
    bool inTick_ = false;
    bool* destroyedFlag_ = nullptr;
};
