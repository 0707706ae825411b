#include "Subscriber.h"

#include <QTest>
#include <mosquitto.h>

Subscriber::Subscriber(int port, const QByteArray& filter, const QByteArray& persistentId)
    : m_filter(filter) {
    mosquitto_lib_init();
    m_handle = mosquitto_new(persistentId.isEmpty() ? nullptr : persistentId.constData(),
                             persistentId.isEmpty(), this);
    mosquitto_connect_callback_set(m_handle, &Subscriber::onConnect);
    mosquitto_subscribe_callback_set(m_handle, &Subscriber::onSubscribe);
    mosquitto_message_callback_set(m_handle, &Subscriber::onMessage);
    mosquitto_reconnect_delay_set(m_handle, 1, 1, false);
    mosquitto_max_inflight_messages_set(m_handle, 0);
    if (mosquitto_connect(m_handle, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS)
        mosquitto_loop_start(m_handle);
}

Subscriber::~Subscriber() {
    mosquitto_disconnect(m_handle);
    mosquitto_loop_stop(m_handle, true);
    mosquitto_destroy(m_handle);
}

void Subscriber::onConnect(mosquitto* handle, void* self, int result) {
    if (result == 0)
        mosquitto_subscribe(handle, nullptr, static_cast<Subscriber*>(self)->m_filter.constData(),
                            1);
}

void Subscriber::onSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto* subscriber = static_cast<Subscriber*>(self);
    const QMutexLocker lock(&subscriber->m_mutex);
    subscriber->m_ready = true;
}

void Subscriber::onMessage(mosquitto*, void* self, const struct mosquitto_message* message) {
    auto* subscriber = static_cast<Subscriber*>(self);
    const QMutexLocker lock(&subscriber->m_mutex);
    subscriber->m_messages.append(
        {QByteArray(message->topic),
         QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
         message->retain});
}

bool Subscriber::isReady() const {
    const QMutexLocker lock(&m_mutex);
    return m_ready;
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
    return QTest::qWaitFor([this] { return isReady(); }, timeoutMs);
}
