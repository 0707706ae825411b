#include "IntervalTimer.h"

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::tick);
}

void IntervalTimer::setInterval(std::chrono::milliseconds interval) {
    m_interval = interval;
    apply();
}

void IntervalTimer::setEnabled(bool enabled) {
    m_enabled = enabled;
    apply();
}

void IntervalTimer::apply() {
    if (!m_enabled || m_interval <= std::chrono::milliseconds::zero()) {
        m_timer.stop();
        return;
    }
    if (m_timer.isActive() && m_timer.intervalAsDuration() == m_interval)
        return;
    m_timer.start(m_interval);
}
