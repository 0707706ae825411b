#include "Subscriber.h"

#include <QTest>
#include <mosquitto.h>

Subscriber::Subscriber(int port, const QByteArray& filter, const QByteArray& clientId)
    : m_filter(filter) {
    mosquitto_lib_init();
    m_handle = mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(),
                             clientId.isEmpty(), this);
    mosquitto_connect_callback_set(m_handle, [](mosquitto* handle, void* self, int result) {
        if (result == 0)
            mosquitto_subscribe(handle, nullptr,
                                static_cast<Subscriber*>(self)->m_filter.constData(), 1);
    });
    mosquitto_subscribe_callback_set(m_handle, [](mosquitto*, void* self, int, int, const int*) {
        static_cast<Subscriber*>(self)->m_ready = true;
    });
    mosquitto_message_callback_set(
        m_handle, [](mosquitto*, void* self, const mosquitto_message* message) {
            auto* subscriber = static_cast<Subscriber*>(self);
            const QMutexLocker lock(&subscriber->m_mutex);
            subscriber->m_messages.append(
                {QByteArray(message->topic),
                 QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
                 message->retain});
        });
    mosquitto_max_inflight_messages_set(m_handle, 0);
    if (mosquitto_connect(m_handle, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS)
        mosquitto_loop_start(m_handle);
}

Subscriber::~Subscriber() {
    mosquitto_disconnect(m_handle);
    mosquitto_loop_stop(m_handle, true);
    mosquitto_destroy(m_handle);
}

QList<Subscriber::Message> Subscriber::messages() const {
    const QMutexLocker lock(&m_mutex);
    return m_messages;
}

QList<QByteArray> Subscriber::payloads(const QByteArray& topic) const {
    QList<QByteArray> found;
    for (const Message& message : messages())
        if (message.topic == topic)
            found << message.payload;
    return found;
}

bool Subscriber::waitFor(const std::function<bool(const QList<Message>&)>& done,
                         int timeoutMs) const {
    return QTest::qWaitFor([&] { return done(messages()); }, timeoutMs);
}

bool Subscriber::waitForReady(int timeoutMs) const {
    return QTest::qWaitFor([this] { return m_ready.load(); }, timeoutMs);
}
