#pragma once

#include "OutgoingMessage.h"

#include <QMutex>
#include <deque>
#include <vector>

// The messages waiting for the broker, oldest first, handed from the
// reading thread to the client's thread. It holds at most `limit`: a new
// message pushes the oldest out, and those are counted.
class MessageQueue {
public:
    static constexpr qsizetype DefaultLimit = 100000;

    explicit MessageQueue(qsizetype limit = DefaultLimit) : m_limit(limit) {}

    // Adds a message at the end. True when the queue was empty, so whoever
    // takes from it may be idle and must be told.
    bool push(OutgoingMessage message);
    // Puts messages back in front, in their order: sent ones the broker
    // never acknowledged. The limit holds as for push.
    void pushFront(std::vector<OutgoingMessage> messages);
    // Up to `count` messages from the front.
    std::vector<OutgoingMessage> take(qsizetype count);

    qsizetype size() const;
    // How many were pushed out so far.
    qint64 dropped() const;
    void clear();

private:
    void dropOverLimit();

    mutable QMutex m_mutex;
    std::deque<OutgoingMessage> m_messages;
    qsizetype m_limit;
    qint64 m_dropped = 0;
};
