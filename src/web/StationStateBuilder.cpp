#include "StationStateBuilder.h"
#include "AlarmJournal.h"
#include "LineHealth.h"
#include "Publisher.h"
#include "SerialPort.h"
#include "Station.h"
#include "StationStateBox.h"

#include <QCoreApplication>
#include <QSysInfo>

namespace {

QString publishingState(Publisher::State state) {
    switch (state) {
    case Publisher::State::Off:
        return QStringLiteral("off");
    case Publisher::State::Invalid:
        return QStringLiteral("invalid");
    case Publisher::State::Connecting:
        return QStringLiteral("connecting");
    case Publisher::State::Connected:
        return QStringLiteral("connected");
    case Publisher::State::Unreachable:
        return QStringLiteral("unreachable");
    }
    return {};
}

} // namespace

StationStateBuilder::StationStateBuilder(Station& station, StationStateBox& box, QObject* parent)
    : QObject(parent), m_station(station), m_box(box) {
    connect(&m_timer, &QTimer::timeout, this, &StationStateBuilder::take);
    connect(&station, &Station::readingStored, this, [this] { ++m_store.readingsStored; });
    connect(&station, &Station::snapshotTaken, this, [this] {
        ++m_store.snapshots;
        m_lastSnapshot = QDateTime::currentDateTime();
    });
    connect(&station, &Station::alarmEvent, this, [this] { m_alarmsChanged = true; });
    connect(&station, &Station::alarmAcknowledged, this, [this] { m_alarmsChanged = true; });
}

void StationStateBuilder::start(std::chrono::milliseconds interval) {
    take();
    m_timer.start(interval);
}

void StationStateBuilder::take() {
    auto state = std::make_shared<StationState>();
    state->version = ++m_version;
    state->takenAt = QDateTime::currentDateTime();
    const PublishSettings& publish = m_station.publisher().settings();
    state->station = publish.station.isEmpty() ? QSysInfo::machineHostName() : publish.station;
    state->toolVersion = QCoreApplication::applicationVersion();
    state->reading = m_station.isReading();
    state->startedAt = m_station.startedAt();
    state->lastSnapshot = m_lastSnapshot;

    const LatestReadings& readings = m_station.readings();
    state->meters.reserve(readings.count());
    for (int row = 0; row < readings.count(); ++row) {
        const Reading& reading = readings.at(row);
        state->meters.append({reading, readings.noReplyText(reading.line, reading.address)});
    }

    for (const auto& line : m_station.lines()) {
        StationState::Line shown;
        shown.number = line->number();
        shown.name = line->name();
        shown.port = line->port().description();
        const QList<int> addresses = readings.addresses(line->number());
        shown.meters = int(addresses.size());
        const LineHealth& health = line->health();
        shown.counts = health.statistics().line(health.bytesAwaitingReply());
        bool anyAnswers = false;
        for (int address : addresses)
            anyAnswers = anyAnswers || readings.noReplyText(line->number(), address).isEmpty();
        if (line->isLost())
            shown.health = QStringLiteral("lost");
        else if (!m_station.isReading())
            shown.health = QStringLiteral("idle");
        else if (!addresses.isEmpty() && !anyAnswers)
            shown.health = QStringLiteral("silent");
        else
            shown.health = QStringLiteral("ok");
        state->lines.append(shown);
    }

    if (m_alarmsChanged && m_station.alarmJournal()) {
        m_alarms.clear();
        for (const AlarmOccurrence& open : m_station.alarmJournal()->open())
            m_alarms.append({open.line, open.address, open.alarm, open.came, open.acknowledgedAt,
                             open.acknowledgedBy});
        m_alarmsChanged = false;
    }
    state->alarms = m_alarms;
    state->store = m_store;

    const Publisher& publisher = m_station.publisher();
    state->publishing.enabled = publish.enabled;
    state->publishing.state = publishingState(publisher.state());
    state->publishing.status = publisher.statusText();
    state->publishing.waiting = publisher.waiting();
    state->publishing.dropped = publisher.dropped();
    m_box.put(std::move(state));
}
