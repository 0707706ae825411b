#include "IntervalTimer.h"

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::tick);
}

void IntervalTimer::setInterval(int milliseconds) {
    m_interval = milliseconds;
    apply();
}

void IntervalTimer::setEnabled(bool enabled) {
    m_enabled = enabled;
    apply();
}

void IntervalTimer::apply() {
    if (!m_enabled || m_interval <= 0) {
        m_timer.stop();
        return;
    }
    if (m_timer.isActive() && m_timer.interval() == m_interval)
        return;
    m_timer.start(m_interval);
}
