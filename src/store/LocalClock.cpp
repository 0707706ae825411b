#include "LocalClock.h"

QDateTime LocalClock::now() {
    return at(QDateTime::currentMSecsSinceEpoch());
}

QDateTime LocalClock::at(qint64 utcMs) {
    if (utcMs < m_minuteStartMs || utcMs >= m_minuteEndMs) {
        // Rounded down, also before 1970.
        m_minuteStartMs = utcMs - ((utcMs % MinuteMs) + MinuteMs) % MinuteMs;
        m_minuteEndMs = m_minuteStartMs + MinuteMs;
        m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(m_minuteStartMs).offsetFromUtc();
    }
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, m_offsetSeconds);
}
