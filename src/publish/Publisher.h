#pragma once

#include "Discovery.h"
#include "MessageQueue.h"
#include "MqttClient.h"
#include "PublishTable.h"
#include "Reading.h"
#include "Topics.h"

#include <QHash>
#include <QObject>
#include <QThread>
#include <chrono>
#include <optional>

// Publishes the station's readings, snapshots and meter states to an MQTT
// broker. It is called on the thread that reads the meters and costs that
// thread only the building of a message and a place in the queue; the
// connection runs on a thread of its own.
class Publisher : public QObject {
    Q_OBJECT
public:
    enum class State { Off, Invalid, Connecting, Connected, Unreachable };
    Q_ENUM(State)

    static QByteArray onlineText() { return QByteArrayLiteral("online"); }
    static QByteArray noReplyText() { return QByteArrayLiteral("no reply"); }

    explicit Publisher(QObject* parent = nullptr);
    ~Publisher() override;

    // Takes new settings: stops publishing, or (re)connects with them.
    // Messages that wait go to the new broker.
    void apply(const PublishSettings& settings);
    const PublishSettings& settings() const { return m_settings; }
    bool isPublishing() const { return m_topics.has_value(); }
    // The topics in use; only while publishing.
    const Topics& topics() const { return *m_topics; }

    // A reading as stored in its meter's row; the meter is online.
    void publishReading(const Reading& stored);
    // The rows a history snapshot copied.
    void publishSnapshot(const QList<Reading>& rows);
    // A day's consumption of a meter, as JSON; kept by the broker for
    // whoever subscribes later.
    void publishDayConsumption(int line, int address, const QByteArray& json);
    // An alarm of a meter came, went or was acknowledged ("came", "went",
    // "acknowledged", the last with the access level): at QoS 1, not
    // retained, since each event counts and none stands for a state.
    void publishAlarm(int line, int address, const QString& alarm, const QString& event, qint64 at,
                      std::optional<int> level = std::nullopt);
    // The meter missed its polls.
    void meterSilent(int line, int address);
    // The lines' names, which every message carries.
    void setLineNames(QHash<int, QString> names);
    // The meters listed, with their units as last stored. With discovery on,
    // Home Assistant hears of new or changed meters and forgets removed ones.
    void setMeters(const QList<Reading>& meters);

    // Sends what waits and "offline", then disconnects, within `budget`;
    // finished() follows, also when there was nothing to do.
    void finish(std::chrono::milliseconds budget);

    State state() const { return m_state; }
    // Why the broker is unreachable or the settings are unusable.
    QString detail() const { return m_detail; }
    // "host:port".
    QString endpoint() const;
    qint64 waiting() const;
    qint64 dropped() const { return m_queue.dropped(); }
    // The broker's state in a few words for a status bar; empty when off.
    QString statusText() const;

signals:
    void stateChanged(Publisher::State state, const QString& detail);
    void finished(qint64 undelivered);

private:
    enum class MeterStatus { Unknown, Online, NoReply };

    void enqueue(OutgoingMessage message);
    using Meter = std::pair<int, int>; // line, address
    void setMeterStatus(Meter meter, MeterStatus status);
    OutgoingMessage meterStatusMessage(Meter meter, MeterStatus status) const;
    bool isDiscovering() const { return m_topics && m_settings.discovery; }
    // A listed meter's configs, when a broker has been reached with these settings.
    void announce(const Discovery::Meter& meter);
    void clientStateChanged(MqttClient::State state, const QString& detail);
    void setState(State state, const QString& detail);
    void ensureThread();

    PublishSettings m_settings;
    std::optional<Topics> m_topics;
    MessageQueue m_queue;
    QThread m_thread;
    MqttClient* m_client = nullptr; // lives on m_thread
    QHash<Meter, MeterStatus> m_meters;
    QHash<int, QString> m_lineNames;
    QHash<Meter, Discovery::Meter> m_listed;
    bool m_connectedBefore = false;
    State m_state = State::Off;
    QString m_detail;
};
