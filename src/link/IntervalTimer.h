#pragma once

#include "FineTimer.h"

#include <QObject>
#include <chrono>

// A timer that ticks every interval while enabled; an interval of 0 (or
// less) means it does not tick at all, unlike a QTimer of interval 0.
//
// It can be held: no tick comes before the time given to holdUntil(). A
// tick that falls due during a hold comes when the hold ends, and the next
// one a whole interval after that; a held timer sleeps meanwhile.
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    using Clock = FineTimer::Clock;

    explicit IntervalTimer(QObject* parent = nullptr);

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    bool isTicking() const { return m_running; }

    // Replaces the time of the hold, so a hold can be cut short; a time
    // already past lets ticks come on their time again.
    void holdUntil(Clock::time_point time);
    Clock::time_point heldUntil() const { return m_heldUntil; }

signals:
    void tick();

private:
    void apply();
    void arm();
    void fire();

    FineTimer m_timer;
    std::chrono::milliseconds m_interval{0};
    std::chrono::milliseconds m_runningInterval{0};
    bool m_enabled = true;
    bool m_running = false;
    Clock::time_point m_due;
    Clock::time_point m_heldUntil;
};
