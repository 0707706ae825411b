#pragma once

#include "MessageQueue.h"
#include "PublishTable.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>

struct mosquitto;
class QSocketNotifier;

// One station's connection to the broker over libmosquitto, driven by
// notifiers on the library's socket in the thread the client lives in, so
// a slow name lookup or a dead broker never holds up the thread that reads
// the meters.
//
// Messages come from the shared queue. At most `Window` are handed to the
// library at a time; each stays here until the broker acknowledges it
// (QoS 1) or it has been written out (QoS 0). A connection that ends puts
// the unacknowledged ones back in front of the queue, and the next
// connection, a fresh one after a back-off, sends them again: at least
// once, duplicates possible. The will is "offline", retained, on the
// station's status topic; "online" is published on every connection.
class MqttClient : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Connecting, Connected, Unreachable };
    Q_ENUM(State)

    struct Connection {
        PublishSettings settings;
        QByteArray clientId;
        QByteArray statusTopic;
    };

    static constexpr int Window = 1000;
    static constexpr std::chrono::seconds KeepAlive{30};
    static constexpr std::chrono::milliseconds FirstRetry{1000};
    static constexpr std::chrono::milliseconds LastRetry{30000};
    static constexpr std::chrono::milliseconds ConnackTimeout{10000};

    explicit MqttClient(MessageQueue& queue, QObject* parent = nullptr);
    ~MqttClient() override;

    // Handed to the library and not yet acknowledged; read from any thread.
    qint64 unacknowledged() const { return m_unacknowledged.load(); }

    // The rest runs on the client's thread.

    // Connects with these settings, dropping any connection there was.
    void start(const Connection& connection);
    // The queue has new messages.
    void sendWaiting();
    // Sends what waits, then "offline", then disconnects; gives up after
    // `budget`, leaving the will to say "offline". finished() follows.
    void finish(std::chrono::milliseconds budget);
    // Drops the connection at once (the broker then sends the will); the
    // unacknowledged messages go back to the queue.
    void stop();

signals:
    void stateChanged(MqttClient::State state, const QString& detail);
    // After finish(); what was not delivered is still in the queue.
    void finished();

private:
    struct Sent {
        int mid = 0;
        OutgoingMessage message;
        bool requeue = true; // the station's own "online"/"offline" is not
    };

    static void onConnect(mosquitto* handle, void* self, int result);
    static void onPublish(mosquitto* handle, void* self, int mid);

    void connectNow();
    void publish(OutgoingMessage message, bool requeue);
    void watchSocket();
    void unwatchSocket();
    // After every call into the library's loop: a connection gone, the
    // socket to watch for writing, a finish to go on with.
    void afterLoop(int result);
    void lost(const QString& reason);
    void dropConnection();
    void setState(State state, const QString& detail);
    void tryToFinish();
    void endFinish();
    QString endpoint() const;

    MessageQueue& m_queue;
    Connection m_connection;
    mosquitto* m_handle = nullptr;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    int m_socket = -1;
    std::deque<Sent> m_sent;
    std::atomic<qint64> m_unacknowledged{0};
    State m_state = State::Idle;
    QString m_detail;
    QString m_refusal;
    QTimer m_retryTimer;
    QTimer m_connackTimer;
    QTimer m_keepAliveTimer;
    QTimer m_finishTimer;
    std::chrono::milliseconds m_retryDelay = FirstRetry;
    bool m_finishing = false;
    bool m_offlineSent = false;
};
