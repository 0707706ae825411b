#include "PortRecovery.h"

#include <algorithm>

std::chrono::milliseconds PortRecovery::nextDelay() {
    const std::chrono::milliseconds delay = m_next;
    m_next = std::min(m_next * 2, LongestDelay);
    return delay;
}
