#include "Publisher.h"

#include "ReadingMessage.h"

#include <QCoreApplication>

namespace {

// A unit a row has not (yet, or no longer) given leaves the one known.
QString heardUnit(const std::optional<QString>& unit, const QString& known) {
    return unit && !unit->isEmpty() ? *unit : known;
}

} // namespace

Publisher::Publisher(QObject* parent) : QObject(parent) {}

Publisher::~Publisher() {
    if (!m_client)
        return;
    QMetaObject::invokeMethod(m_client, &MqttClient::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_client;
}

void Publisher::ensureThread() {
    if (m_client)
        return;
    m_client = new MqttClient(m_queue);
    m_client->moveToThread(&m_thread);
    connect(m_client, &MqttClient::stateChanged, this, &Publisher::clientStateChanged);
    // Counted here, not on the client's thread: a reading stored while the
    // client said goodbye is waiting too.
    connect(m_client, &MqttClient::finished, this, [this] { emit finished(m_queue.size()); });
    m_thread.setObjectName(QStringLiteral("mqtt"));
    m_thread.start();
}

void Publisher::apply(const PublishSettings& settings) {
    // Saved again unchanged: the connection stays as it is.
    if (settings == m_settings && m_topics)
        return;
    m_settings = settings;
    m_topics.reset();
    const QString problem = Topics::problem(settings);
    if (!settings.enabled || !problem.isEmpty()) {
        // Nothing waits for a broker any more, once the client has put back
        // what it had not delivered.
        m_queue.clear();
        if (m_client)
            QMetaObject::invokeMethod(
                m_client,
                [client = m_client, queue = &m_queue] {
                    client->stop();
                    queue->clear();
                },
                Qt::QueuedConnection);
        setState(settings.enabled ? State::Invalid : State::Off, settings.enabled ? problem : "");
        return;
    }
    m_topics.emplace(settings);
    // The retained states were told under the old topics.
    m_meters.clear();
    m_connectedBefore = false;
    ensureThread();
    const MqttClient::Connection connection{settings,
                                            QStringLiteral("rx7100-%1-%2")
                                                .arg(m_topics->station())
                                                .arg(QCoreApplication::applicationPid())
                                                .toUtf8(),
                                            m_topics->stationStatus()};
    QMetaObject::invokeMethod(
        m_client, [client = m_client, connection] { client->start(connection); },
        Qt::QueuedConnection);
    setState(State::Connecting, {});
}

void Publisher::publishReading(const Reading& stored) {
    if (!m_topics)
        return;
    // A meter's units are known from its first reply on, and may be changed.
    auto listed = m_listed.find({stored.line, stored.address});
    if (listed != m_listed.end()) {
        const QString flowRateUnit = heardUnit(stored.flowRateUnit, listed->flowRateUnit);
        const QString totalizerUnit = heardUnit(stored.totalizerUnit, listed->totalizerUnit);
        if (flowRateUnit != listed->flowRateUnit || totalizerUnit != listed->totalizerUnit) {
            listed->flowRateUnit = flowRateUnit;
            listed->totalizerUnit = totalizerUnit;
            announce(*listed);
        }
    }
    setMeterStatus({stored.line, stored.address}, MeterStatus::Online);
    enqueue({m_topics->reading(stored.line, stored.address),
             ReadingMessage::json(stored, m_lineNames.value(stored.line)), m_settings.qos, false});
}

void Publisher::publishSnapshot(const QList<Reading>& rows) {
    if (!m_topics)
        return;
    enqueue({m_topics->snapshot(), ReadingMessage::snapshotJson(rows, m_lineNames), m_settings.qos,
             false});
}

void Publisher::publishDayConsumption(int line, int address, const QByteArray& json) {
    if (m_topics)
        enqueue({m_topics->dayConsumption(line, address), json, m_settings.qos, true});
}

void Publisher::publishAlarm(int line, int address, const QString& alarm, const QString& event,
                             qint64 at, std::optional<int> level) {
    if (!m_topics)
        return;
    enqueue({m_topics->alarm(line, address),
             ReadingMessage::alarmJson(line, m_lineNames.value(line), address, alarm, event,
                                       QDateTime::fromMSecsSinceEpoch(at), level),
             1, false});
}

void Publisher::setLineNames(QHash<int, QString> names) {
    m_lineNames = std::move(names);
    for (Discovery::Meter& meter : m_listed)
        if (meter.lineName != m_lineNames.value(meter.line)) {
            meter.lineName = m_lineNames.value(meter.line);
            announce(meter);
        }
}

void Publisher::setMeters(const QList<Reading>& meters) {
    QHash<Meter, Discovery::Meter> listed;
    for (const Reading& reading : meters) {
        const Discovery::Meter known = m_listed.value({reading.line, reading.address});
        // A row blanked at start-up keeps the units last heard.
        const Discovery::Meter meter{reading.line, reading.address, m_lineNames.value(reading.line),
                                     heardUnit(reading.flowRateUnit, known.flowRateUnit),
                                     heardUnit(reading.totalizerUnit, known.totalizerUnit)};
        listed.insert({meter.line, meter.address}, meter);
        if (!(meter == known))
            announce(meter);
    }
    // An empty retained config is how Home Assistant is told an entity is gone.
    if (isDiscovering())
        for (auto it = m_listed.cbegin(); it != m_listed.cend(); ++it)
            if (!listed.contains(it.key()))
                for (const QByteArray& topic : Discovery(*m_topics).topics(it->line, it->address))
                    enqueue({topic, {}, 1, true});
    m_listed = std::move(listed);
}

void Publisher::announce(const Discovery::Meter& meter) {
    // Before the first connection every listed meter is announced on connecting.
    if (!isDiscovering() || !m_connectedBefore)
        return;
    for (OutgoingMessage& message : Discovery(*m_topics).configs(meter))
        enqueue(std::move(message));
}

void Publisher::meterSilent(int line, int address) {
    if (m_topics)
        setMeterStatus({line, address}, MeterStatus::NoReply);
}

void Publisher::setMeterStatus(Meter meter, MeterStatus status) {
    MeterStatus& known = m_meters[meter];
    if (known == status)
        return;
    known = status;
    enqueue(meterStatusMessage(meter, status));
}

OutgoingMessage Publisher::meterStatusMessage(Meter meter, MeterStatus status) const {
    return {m_topics->meterStatus(meter.first, meter.second),
            status == MeterStatus::Online ? onlineText() : noReplyText(), m_settings.qos, true};
}

void Publisher::enqueue(OutgoingMessage message) {
    // Only a queue that was empty may have an idle client to wake.
    if (m_queue.push(std::move(message)))
        QMetaObject::invokeMethod(m_client, &MqttClient::sendWaiting, Qt::QueuedConnection);
}

void Publisher::finish(std::chrono::milliseconds budget) {
    if (!m_client || !m_topics) {
        QMetaObject::invokeMethod(
            this, [this] { emit finished(m_queue.size()); }, Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        m_client, [client = m_client, budget] { client->finish(budget); }, Qt::QueuedConnection);
}

void Publisher::clientStateChanged(MqttClient::State state, const QString& detail) {
    if (!m_topics)
        return; // a stopped client's last word
    switch (state) {
    case MqttClient::State::Idle:
        return;
    case MqttClient::State::Connecting:
        setState(State::Connecting, detail);
        return;
    case MqttClient::State::Connected:
        // A broker that lost its retained messages while away learns each
        // meter's state again; the first connection finds them all queued.
        if (m_connectedBefore)
            for (auto it = m_meters.cbegin(); it != m_meters.cend(); ++it)
                if (it.value() != MeterStatus::Unknown)
                    enqueue(meterStatusMessage(it.key(), it.value()));
        m_connectedBefore = true;
        // Retained, but a broker may have lost them, or never had them.
        for (const Discovery::Meter& meter : std::as_const(m_listed))
            announce(meter);
        setState(State::Connected, detail);
        return;
    case MqttClient::State::Unreachable:
        setState(State::Unreachable, detail);
        return;
    }
}

void Publisher::setState(State state, const QString& detail) {
    if (state == m_state && detail == m_detail)
        return;
    m_state = state;
    m_detail = detail;
    emit stateChanged(state, detail);
}

QString Publisher::endpoint() const {
    return QStringLiteral("%1:%2").arg(m_settings.host.trimmed()).arg(m_settings.port);
}

qint64 Publisher::waiting() const {
    return m_queue.size() + (m_client ? m_client->unacknowledged() : 0);
}

QString Publisher::statusText() const {
    switch (m_state) {
    case State::Off:
        return {};
    case State::Invalid:
        return QStringLiteral("Not publishing: %1").arg(m_detail);
    case State::Connecting:
        return QStringLiteral("Connecting to %1").arg(endpoint());
    case State::Connected:
        return QStringLiteral("Publishing to %1").arg(endpoint());
    case State::Unreachable:
        return QStringLiteral("Broker unreachable, %1 waiting").arg(waiting());
    }
    return {};
}
