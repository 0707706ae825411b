#include "MessageQueue.h"

bool MessageQueue::push(OutgoingMessage message) {
    const QMutexLocker lock(&m_mutex);
    const bool wasEmpty = m_messages.empty();
    m_messages.push_back(std::move(message));
    dropOverLimit();
    return wasEmpty;
}

void MessageQueue::pushFront(std::vector<OutgoingMessage> messages) {
    const QMutexLocker lock(&m_mutex);
    for (auto it = messages.rbegin(); it != messages.rend(); ++it)
        m_messages.push_front(std::move(*it));
    dropOverLimit();
}

std::vector<OutgoingMessage> MessageQueue::take(qsizetype count) {
    const QMutexLocker lock(&m_mutex);
    std::vector<OutgoingMessage> taken;
    const auto n =
        std::min<std::size_t>(std::size_t(std::max<qsizetype>(count, 0)), m_messages.size());
    taken.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        taken.push_back(std::move(m_messages.front()));
        m_messages.pop_front();
    }
    return taken;
}

qsizetype MessageQueue::size() const {
    const QMutexLocker lock(&m_mutex);
    return qsizetype(m_messages.size());
}

qint64 MessageQueue::dropped() const {
    const QMutexLocker lock(&m_mutex);
    return m_dropped;
}

void MessageQueue::clear() {
    const QMutexLocker lock(&m_mutex);
    m_messages.clear();
}

void MessageQueue::dropOverLimit() {
    while (qsizetype(m_messages.size()) > m_limit) {
        m_messages.pop_front();
        ++m_dropped;
    }
}
