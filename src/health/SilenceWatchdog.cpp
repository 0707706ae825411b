#include "SilenceWatchdog.h"

#include <algorithm>

bool SilenceWatchdog::pollSent(Clock::time_point now) {
    if (++m_pollsWithoutBytes < StalledPolls)
        return false;
    // After a reopen, a slow poll period must still ask the meters a full
    // round of polls before the next one, and a quick one wait the stretch.
    if (m_reopened && now - m_lastReopen < m_stretch)
        return false;
    if (m_reopened)
        m_stretch = std::min(m_stretch * 2, LongestStretch);
    m_reopened = true;
    m_lastReopen = now;
    m_pollsWithoutBytes = 0;
    return true;
}

void SilenceWatchdog::byteArrived() {
    m_pollsWithoutBytes = 0;
    m_reopened = false;
    m_stretch = FirstStretch;
}
