#include "Station.h"

#include "Checkpointer.h"
#include "Database.h"
#include "LineHealth.h"
#include "LineSettings.h"
#include "MeterTable.h"
#include "PollingCycle.h"
#include "PublishTable.h"
#include "RealtimeRecord.h"
#include "SerialExchange.h"
#include "SerialPort.h"
#include "SettingsTable.h"
#include "WholeNumber.h"

Station::Station(QString programDir, std::unique_ptr<SerialPort> port, QObject* parent)
    : QObject(parent), m_programDir(std::move(programDir)) {
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval(SnapshotInterval);
    connect(&m_snapshotTimer, &IntervalTimer::tick, this, &Station::snapshotTick);
    addLine(std::make_unique<Line>(1, std::move(port), m_readings));
}

void Station::addLine(std::unique_ptr<Line> line) {
    Line* added = line.get();
    connect(added, &Line::realtimeReply, this,
            [this, added](const QString& hexText) { Data_read1(*added, hexText); });
    connect(added, &Line::parameterBlockReceived, this, &Station::parameterBlockReceived);
    LineHealth* health = &added->health();
    // A silent meter's row is drawn muted, with since when it is silent.
    connect(health, &LineHealth::meterFreshnessChanged, this, [this, added, health](int address) {
        m_readings.setNoReplyText(added->number(), address,
                                  health->freshness().noReplyText(address));
    });
    // The broker hears of it too; its next stored reading says "online" again.
    connect(health, &LineHealth::meterSilent, &m_publisher, &Publisher::meterSilent);
    m_lines.push_back(std::move(line));
}

void Station::Data_read1(const QString& hexText) {
    Data_read1(firstLine(), hexText);
}

void Station::Data_read1(Line& line, const QString& hexText) {
    LineHealth* const health = &line.health();
    std::optional<Reading> reading = decodeRealtimeRecord(hexText);
    if (!reading) {
        health->replyDropped(hexText);
        return;
    }
    reading->line = line.number();
    if (!m_meters) {
        health->replyNotStored(reading->address);
        return;
    }
    reading->time = m_clock.now();
    const StoreWrite write = m_meters->storeReading(*reading);
    this->health().storeWrite(write); // one store: its notices come once
    if (!write.isDone()) {
        health->replyNotStored(reading->address);
        // The operator still sees what the meter said; the notice tells
        // that it is not kept.
        if (write.isRefused())
            m_readings.update(*reading);
        return;
    }
    health->replyStored(reading->address);
    m_readings.update(*reading);
    if (m_publisher.isPublishing()) {
        // The row as stored: a value this reply lacked keeps the one before.
        const Reading* row = m_readings.find(reading->line, reading->address);
        m_publisher.publishReading(row ? *row : *reading);
    }
    emit readingStored(reading->address, hexText);
    if (m_readingsStale)
        blankStaleReadings();
}

void Station::blankStaleReadings() {
    const StoreWrite write = m_meters->clearReadings(m_startedAt);
    health().storeWrite(write);
    m_readingsStale = write.isRefused();
}

Station::~Station() {
    m_checkpointer.reset();
    m_meters.reset(); // its prepared statement before the connection
    m_db.reset();
}

StartupResult Station::startUp() {
    const QString file = Database::filePath(m_programDir);
    m_db = std::make_unique<Database>(m_programDir, Database::Options{ReadingBusyTimeout, false});
    if (!m_db->isOpen())
        return StartupResult::storeFailed(m_db->errorCode(), m_db->fault(), file);
    m_meters = std::make_unique<MeterTable>(m_db->connection());
    m_startedAt = QDateTime::currentDateTime();
    m_checkpointer = std::make_unique<Checkpointer>(m_programDir);

    // Publishing is added to an older database; it never stops start-up.
    PublishTable publishTable(m_db->connection());
    publishTable.addIfMissing();
    if (const std::optional<PublishSettings> publish = publishTable.read())
        m_publisher.apply(*publish);

    const SettingsTable::Read stored = SettingsTable(m_db->connection()).read();
    if (stored.error)
        return StartupResult::storeFailed(stored.error, stored.fault, file);
    m_recordInterval.setText(stored.settings.recordInterval);
    if (const int code = SettingsTable::toInt16(stored.settings.pollPeriod, &m_pollPeriod))
        return StartupResult::badSetting(code, file, QStringLiteral("poll period"),
                                         stored.settings.pollPeriod);
    int com = 0;
    if (const int code = SettingsTable::toInt16(stored.settings.port, &com))
        return StartupResult::badSetting(code, file, QStringLiteral("port number"),
                                         stored.settings.port);

    port().setPortNumber(com);
    if (const int code = port().openEmptied())
        return StartupResult::portFailed(code);

    // A parity code outside the three leaves the port's own line settings.
    const int parityCode = WholeNumber::parse(stored.settings.parity).value_or(-1);
    if (const auto text = LineSettings::textFor(stored.settings.baud, parityCode)) {
        if (const int code = port().setLineSettings(*text))
            return StartupResult::portFailed(code);
    }

    m_snapshots.reset();
    clearReadings();
    callDataGrid1();
    return {};
}

void Station::readMeterData() {
    for (const auto& line : m_lines)
        line->startReading(std::chrono::milliseconds(m_pollPeriod));
    m_snapshotTimer.setEnabled(true);
    m_snapshotTimer.setInterval(SnapshotInterval);
    m_reading = true;
    emit readingChanged(true);
}

void Station::stopReading() {
    for (const auto& line : m_lines)
        line->stopReading();
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval({});
    m_reading = false;
    emit readingChanged(false);
}

void Station::callDataGrid1() {
    QList<Reading> readings = m_meters ? m_meters->readings() : QList<Reading>();
    if (m_readingsStale) {
        // Never the last run's readings as if they were current.
        for (Reading& reading : readings)
            if (!reading.time.isValid() || reading.time < m_startedAt) {
                Reading blank;
                blank.line = reading.line;
                blank.address = reading.address;
                reading = blank;
            }
    }
    m_readings.load(std::move(readings));
}

void Station::clearReadings() {
    if (!m_meters)
        return;
    const StoreWrite write = m_meters->clearReadings();
    health().storeWrite(write);
    m_readingsStale = write.isRefused();
}

void Station::snapshotTick() {
    const QString& interval = m_recordInterval.text();
    // The count starts again whether or not the copy is taken; one the
    // store refused is owed and tried again a minute later.
    const bool due = m_snapshots.minutePassed(interval);
    if (!(due || m_snapshotOwed) || !m_meters)
        return;
    const StoreWrite write = m_meters->snapshot();
    health().storeWrite(write);
    m_snapshotOwed = write.isRefused();
    if (write.isDone() && m_publisher.isPublishing())
        m_publisher.publishSnapshot(m_meters->readings());
}
