#include "IntervalTimer.h"

#include <algorithm>

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent), m_timer(this) {
    connect(&m_timer, &FineTimer::timeout, this, &IntervalTimer::fire);
}

void IntervalTimer::setInterval(std::chrono::milliseconds interval) {
    m_interval = interval;
    apply();
}

void IntervalTimer::setEnabled(bool enabled) {
    m_enabled = enabled;
    apply();
}

void IntervalTimer::holdUntil(Clock::time_point time) {
    m_heldUntil = time;
    arm();
}

void IntervalTimer::apply() {
    if (!m_enabled || m_interval <= std::chrono::milliseconds::zero()) {
        m_running = false;
        m_timer.stop();
        return;
    }
    // The same interval again keeps the ticks where they are.
    if (m_running && m_runningInterval == m_interval)
        return;
    m_running = true;
    m_runningInterval = m_interval;
    m_due = Clock::now() + m_interval;
    arm();
}

void IntervalTimer::arm() {
    if (m_running)
        m_timer.startAt(std::max(m_due, m_heldUntil));
    else
        m_timer.stop();
}

void IntervalTimer::fire() {
    // Counted from when this tick was meant to come, so ticks keep their
    // time without drifting; a held tick moves the ones after it along.
    m_due = std::max(m_due, m_heldUntil) + m_runningInterval;
    const auto now = Clock::now();
    if (m_due <= now) // the loop was blocked for a whole interval: no burst
        m_due = now + m_runningInterval;
    emit tick();
    arm();
}
