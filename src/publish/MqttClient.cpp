#include "MqttClient.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <mutex>

namespace {

const QByteArray Online = QByteArrayLiteral("online");
const QByteArray Offline = QByteArrayLiteral("offline");

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// Failures of the message itself: sending it again cannot help.
bool refusedMessage(int result) {
    return result == MOSQ_ERR_INVAL || result == MOSQ_ERR_PAYLOAD_SIZE ||
           result == MOSQ_ERR_MALFORMED_UTF8 || result == MOSQ_ERR_OVERSIZE_PACKET ||
           result == MOSQ_ERR_QOS_NOT_SUPPORTED || result == MOSQ_ERR_NOMEM;
}

QString errorText(int result, int savedErrno) {
    if (result == MOSQ_ERR_ERRNO && savedErrno != 0)
        return QString::fromLocal8Bit(std::strerror(savedErrno)).toLower();
    if (result == MOSQ_ERR_SUCCESS)
        return QStringLiteral("the broker closed the connection");
    return QString::fromLocal8Bit(mosquitto_strerror(result)).toLower();
}

} // namespace

MqttClient::MqttClient(MessageQueue& queue, QObject* parent)
    : QObject(parent), m_queue(queue), m_retryTimer(this), m_connackTimer(this),
      m_keepAliveTimer(this), m_finishTimer(this) {
    initialiseLibrary();
    m_retryTimer.setSingleShot(true);
    m_connackTimer.setSingleShot(true);
    m_finishTimer.setSingleShot(true);
    m_keepAliveTimer.setInterval(std::chrono::seconds(1));
    connect(&m_retryTimer, &QTimer::timeout, this, &MqttClient::connectNow);
    connect(&m_connackTimer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("the broker did not answer")); });
    connect(&m_keepAliveTimer, &QTimer::timeout, this, [this] {
        if (m_handle)
            afterLoop(mosquitto_loop_misc(m_handle));
    });
    connect(&m_finishTimer, &QTimer::timeout, this, &MqttClient::endFinish);
}

MqttClient::~MqttClient() {
    unwatchSocket();
    if (m_handle)
        mosquitto_destroy(m_handle);
}

void MqttClient::start(const Connection& connection) {
    stop();
    m_connection = connection;
    m_retryDelay = FirstRetry;
    setState(State::Connecting, endpoint());
    connectNow();
}

QString MqttClient::endpoint() const {
    return QStringLiteral("%1:%2").arg(m_connection.settings.host).arg(m_connection.settings.port);
}

void MqttClient::connectNow() {
    dropConnection();
    const PublishSettings& settings = m_connection.settings;
    // A fresh handle for every connection: what the last one left unsent
    // is back in the queue, so nothing of its state is needed.
    m_handle = mosquitto_new(m_connection.clientId.constData(), true, this);
    if (!m_handle) {
        lost(QStringLiteral("out of memory"));
        return;
    }
    mosquitto_int_option(m_handle, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_handle, &MqttClient::onConnect);
    mosquitto_publish_callback_set(m_handle, &MqttClient::onPublish);
    mosquitto_will_set(m_handle, m_connection.statusTopic.constData(), int(Offline.size()),
                       Offline.constData(), settings.qos, true);
    if (!settings.username.isEmpty()) {
        const QByteArray user = settings.username.toUtf8();
        const QByteArray password = settings.password.toUtf8();
        mosquitto_username_pw_set(m_handle, user.constData(),
                                  settings.password.isEmpty() ? nullptr : password.constData());
    }
    if (!settings.caFile.isEmpty()) {
        const QByteArray caFile = settings.caFile.toLocal8Bit();
        if (mosquitto_tls_set(m_handle, caFile.constData(), nullptr, nullptr, nullptr, nullptr) !=
            MOSQ_ERR_SUCCESS) {
            lost(QStringLiteral("the CA file %1 cannot be used").arg(settings.caFile));
            return;
        }
    }
    m_refusal.clear();
    // The name lookup blocks this thread, never the reading one.
    errno = 0;
    const QByteArray host = settings.host.trimmed().toUtf8();
    const int result = mosquitto_connect_async(m_handle, host.constData(), settings.port,
                                               static_cast<int>(KeepAlive.count()));
    if (result != MOSQ_ERR_SUCCESS && result != MOSQ_ERR_CONN_PENDING) {
        lost(errorText(result, errno));
        return;
    }
    watchSocket();
    m_connackTimer.start(ConnackTimeout);
}

void MqttClient::watchSocket() {
    const int socket = mosquitto_socket(m_handle);
    if (socket < 0) {
        lost(QStringLiteral("no connection"));
        return;
    }
    m_socket = socket;
    m_readNotifier = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(socket, QSocketNotifier::Write, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] {
        errno = 0;
        afterLoop(mosquitto_loop_read(m_handle, 1));
    });
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        errno = 0;
        afterLoop(mosquitto_loop_write(m_handle, 1));
    });
    m_writeNotifier->setEnabled(mosquitto_want_write(m_handle));
    m_keepAliveTimer.start();
}

void MqttClient::unwatchSocket() {
    // The notifiers go before the library closes their descriptor.
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    m_socket = -1;
    m_keepAliveTimer.stop();
}

void MqttClient::afterLoop(int result) {
    const int savedErrno = errno;
    if (!m_handle)
        return;
    if (result != MOSQ_ERR_SUCCESS || mosquitto_socket(m_handle) < 0) {
        lost(m_refusal.isEmpty() ? errorText(result, savedErrno) : m_refusal);
        return;
    }
    if (m_finishing)
        tryToFinish();
    if (m_handle && m_writeNotifier)
        m_writeNotifier->setEnabled(mosquitto_want_write(m_handle));
}

void MqttClient::onConnect(mosquitto* /*handle*/, void* self, int result) {
    auto* client = static_cast<MqttClient*>(self);
    if (result != 0) {
        // The library closes the connection once this returns.
        client->m_refusal = QString::fromLocal8Bit(mosquitto_connack_string(result)).toLower();
        return;
    }
    client->m_connackTimer.stop();
    client->m_retryDelay = FirstRetry;
    client->publish(
        {client->m_connection.statusTopic, Online, client->m_connection.settings.qos, true}, false);
    client->setState(State::Connected, client->endpoint());
    client->sendWaiting();
}

void MqttClient::onPublish(mosquitto* /*handle*/, void* self, int mid) {
    auto* client = static_cast<MqttClient*>(self);
    // Acknowledgements come mostly in sending order: the match is near the front.
    for (auto it = client->m_sent.begin(); it != client->m_sent.end(); ++it) {
        if (it->mid == mid) {
            client->m_sent.erase(it);
            --client->m_unacknowledged;
            break;
        }
    }
    client->sendWaiting();
}

void MqttClient::sendWaiting() {
    if (m_state != State::Connected || !m_handle)
        return;
    const qsizetype room = Window - qsizetype(m_sent.size());
    if (room <= 0)
        return;
    for (OutgoingMessage& message : m_queue.take(room))
        publish(std::move(message), true);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(mosquitto_want_write(m_handle));
}

void MqttClient::publish(OutgoingMessage message, bool requeue) {
    int mid = 0;
    const int result =
        mosquitto_publish(m_handle, &mid, message.topic.constData(), int(message.payload.size()),
                          message.payload.constData(), message.qos, message.retain);
    if (refusedMessage(result))
        return; // a topic or payload the library refuses would be refused forever
    // Any other failure is the connection's: the message is kept until it
    // is acknowledged or the connection ends and it goes back to the queue.
    m_sent.push_back({mid, std::move(message), requeue});
    ++m_unacknowledged;
}

void MqttClient::lost(const QString& reason) {
    dropConnection();
    setState(State::Unreachable, reason);
    m_retryTimer.start(m_retryDelay);
    m_retryDelay = std::min(m_retryDelay * 2, LastRetry);
}

void MqttClient::dropConnection() {
    m_connackTimer.stop();
    unwatchSocket();
    if (m_handle) {
        // Closed without a DISCONNECT: the broker publishes the will.
        mosquitto_destroy(m_handle);
        m_handle = nullptr;
    }
    std::vector<OutgoingMessage> unacknowledged;
    for (Sent& sent : m_sent)
        if (sent.requeue)
            unacknowledged.push_back(std::move(sent.message));
    m_sent.clear();
    m_unacknowledged = 0;
    m_queue.pushFront(std::move(unacknowledged));
}

void MqttClient::stop() {
    m_retryTimer.stop();
    m_finishTimer.stop();
    m_finishing = false;
    dropConnection();
    setState(State::Idle, {});
}

void MqttClient::finish(std::chrono::milliseconds budget) {
    if (m_state == State::Idle) {
        emit finished();
        return;
    }
    m_finishing = true;
    m_offlineSent = false;
    m_finishTimer.start(budget);
    tryToFinish();
    if (m_finishing && m_handle && m_writeNotifier)
        m_writeNotifier->setEnabled(mosquitto_want_write(m_handle));
}

void MqttClient::tryToFinish() {
    if (!m_finishing || m_state != State::Connected)
        return; // a connection may still come before the budget runs out
    sendWaiting();
    if (m_queue.size() > 0 || !m_sent.empty())
        return;
    if (!m_offlineSent) {
        m_offlineSent = true;
        publish({m_connection.statusTopic, Offline, m_connection.settings.qos, true}, false);
        return;
    }
    // Everything acknowledged, "offline" too: a clean goodbye, so no will.
    mosquitto_disconnect(m_handle);
    mosquitto_loop_write(m_handle, 1);
    endFinish();
}

void MqttClient::endFinish() {
    m_finishing = false;
    m_finishTimer.stop();
    m_retryTimer.stop();
    dropConnection(); // what was not acknowledged is back in the queue
    setState(State::Idle, {});
    emit finished();
}

void MqttClient::setState(State state, const QString& detail) {
    if (state == m_state && (state != State::Unreachable || detail == m_detail))
        return;
    m_state = state;
    m_detail = detail;
    emit stateChanged(state, detail);
}
