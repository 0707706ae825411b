#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <atomic>
#include <functional>

struct mosquitto;

// A client that takes every message under a topic filter at QoS 1, on the
// library's own thread.
class Subscriber {
public:
    struct Message {
        QByteArray topic;
        QByteArray payload;
        bool retained = false;
    };

    // With a client id the session is kept while it is away: the broker
    // queues what it would have received and hands it over when it is back.
    Subscriber(int port, const QByteArray& filter, const QByteArray& clientId = {});
    ~Subscriber();

    QList<Message> messages() const;
    // The payloads on one topic, in arrival order.
    QList<QByteArray> payloads(const QByteArray& topic) const;
    // Waits, running the test's event loop, until `done` holds for the
    // messages so far; false after `timeoutMs`.
    bool waitFor(const std::function<bool(const QList<Message>&)>& done, int timeoutMs) const;
    // Connected and subscribed.
    bool waitForReady(int timeoutMs) const;

private:
    QByteArray m_filter;
    mosquitto* m_handle = nullptr;
    mutable QMutex m_mutex;
    QList<Message> m_messages;
    std::atomic<bool> m_ready = false;
};
