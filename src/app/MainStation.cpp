#include "MainStation.h"

#include "Checkpointer.h"
#include "Database.h"
#include "LineHealth.h"
#include "LineSettings.h"
#include "MeterTable.h"
#include "PollingCycle.h"
#include "PublishTable.h"
#include "RealtimeRecord.h"
#include "SchemaUpgrade.h"
#include "SerialExchange.h"
#include "SerialPort.h"
#include "SettingsTable.h"
#include "WholeNumber.h"

MainStation::MainStation(QString programDir, std::unique_ptr<SerialPort> port, QObject* parent)
    : QObject(parent), m_programDir(std::move(programDir)), m_port(std::move(port)),
      m_exchange(std::make_unique<SerialExchange>(*m_port)),
      m_health(std::make_unique<LineHealth>(*m_exchange)),
      m_polling(std::make_unique<PollingCycle>(*m_exchange, m_liveGrid, m_pollTimer)) {
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval(SnapshotInterval);
    connect(&m_snapshotTimer, &IntervalTimer::tick, this, &MainStation::snapshotTick);
    connect(m_exchange.get(), &SerialExchange::replyReceived, this, &MainStation::dispatchReply);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &MainStation::retryPort);
    connect(m_port.get(), &SerialPort::lost, this, &MainStation::portLost);
    connect(m_health.get(), &LineHealth::lineStalled, this, &MainStation::reopenStalledPort);
    // A silent meter's row is drawn muted, with since when it is silent.
    connect(m_health.get(), &LineHealth::meterFreshnessChanged, this, [this](int address) {
        m_liveGrid.setNoReplyText(address, m_health->freshness().noReplyText(address));
    });
    // The broker hears of it too; its next stored reading says "online" again.
    connect(m_health.get(), &LineHealth::meterSilent, &m_publisher, &Publisher::meterSilent);
}

void MainStation::dispatchReply(ReplyKind kind, const QString& hexText) {
    if (kind == ReplyKind::RealTime)
        Data_read1(hexText);
    else
        emit parameterBlockReceived(kind, hexText);
}

void MainStation::Data_read1(const QString& hexText) {
    std::optional<Reading> reading = decodeRealtimeRecord(hexText);
    if (!reading) {
        m_health->replyDropped(hexText);
        return;
    }
    if (!m_meters) {
        m_health->replyNotStored(reading->address);
        return;
    }
    reading->time = m_clock.now();
    const StoreWrite write = m_meters->storeReading(*reading);
    m_health->storeWrite(write);
    if (!write.isDone()) {
        m_health->replyNotStored(reading->address);
        // The operator still sees what the meter said; the notice tells
        // that it is not kept.
        if (write.isRefused())
            m_liveGrid.updateMeter(*reading);
        return;
    }
    m_health->replyStored(reading->address);
    m_liveGrid.updateMeter(*reading);
    if (m_publisher.isPublishing()) {
        // The row as stored: a value this reply lacked keeps the one before.
        const Reading* row = m_liveGrid.meterReading(reading->address);
        m_publisher.publishReading(row ? *row : *reading);
    }
    emit readingStored(reading->address, hexText);
    if (m_readingsStale)
        blankStaleReadings();
}

void MainStation::portLost() {
    m_lostPort = m_port->description();
    m_health->portLost(m_lostPort);
    if (!m_retryTimer.isActive())
        m_retryTimer.start(m_recovery.nextDelay());
}

void MainStation::retryPort() {
    // Opened meanwhile by a settings save or a parameter window: back too.
    // Only the lost device itself is tried, never the next one the lookup
    // would find.
    if (m_port->isOpen() || m_port->reopenEmptied() == 0) {
        m_recovery.reset();
        m_health->portBack(m_port->description());
        return;
    }
    m_retryTimer.start(m_recovery.nextDelay());
}

void MainStation::reopenStalledPort() {
    if (!m_port->isOpen())
        return;
    m_port->close();
    m_health->watchdogReopened(m_port->description());
    if (m_port->reopenEmptied() != 0)
        portLost();
}

void MainStation::blankStaleReadings() {
    const StoreWrite write = m_meters->clearReadings(m_startedAt);
    m_health->storeWrite(write);
    m_readingsStale = write.isRefused();
}

MainStation::~MainStation() {
    m_checkpointer.reset();
    m_meters.reset(); // its prepared statement before the connection
    m_db.reset();
}

StartupResult MainStation::startUp() {
    const QString file = Database::filePath(m_programDir);
    m_db = std::make_unique<Database>(m_programDir, Database::Options{ReadingBusyTimeout, false});
    if (!m_db->isOpen())
        return StartupResult::storeFailed(m_db->errorCode(), m_db->fault(), file);
    // An older store gains its lines before anything reads it; a store
    // that refuses is reported below by what it refuses.
    SchemaUpgrade::run(m_db->connection());
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

    m_port->setPortNumber(com);
    if (const int code = m_port->openEmptied())
        return StartupResult::portFailed(code);

    // A parity code outside the three leaves the port's own line settings.
    const int parityCode = WholeNumber::parse(stored.settings.parity).value_or(-1);
    if (const auto text = LineSettings::textFor(stored.settings.baud, parityCode)) {
        if (const int code = m_port->setLineSettings(*text))
            return StartupResult::portFailed(code);
    }

    m_snapshots.reset();
    clearReadings();
    callDataGrid1();
    m_liveGrid.setCurrentRow(0);
    return {};
}

void MainStation::readMeterData() {
    m_health->readingStarted();
    m_pollTimer.setInterval(std::chrono::milliseconds(m_pollPeriod));
    m_snapshotTimer.setEnabled(true);
    m_snapshotTimer.setInterval(SnapshotInterval);
    m_reading = true;
    emit readingChanged(true);
}

void MainStation::stopReading() {
    m_pollTimer.setInterval({});
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval({});
    m_reading = false;
    emit readingChanged(false);
}

void MainStation::callDataGrid1() {
    QList<Reading> readings = m_meters ? m_meters->readings() : QList<Reading>();
    if (m_readingsStale) {
        // Never the last run's readings as if they were current.
        for (Reading& reading : readings)
            if (!reading.time.isValid() || reading.time < m_startedAt) {
                Reading blank;
                blank.address = reading.address;
                reading = blank;
            }
    }
    m_liveGrid.load(std::move(readings));
}

void MainStation::clearReadings() {
    if (!m_meters)
        return;
    const StoreWrite write = m_meters->clearReadings();
    m_health->storeWrite(write);
    m_readingsStale = write.isRefused();
}

void MainStation::snapshotTick() {
    const QString& interval = m_recordInterval.text();
    // The count starts again whether or not the copy is taken; one the
    // store refused is owed and tried again a minute later.
    const bool due = m_snapshots.minutePassed(interval);
    if (!(due || m_snapshotOwed) || !m_meters)
        return;
    const StoreWrite write = m_meters->snapshot();
    m_health->storeWrite(write);
    m_snapshotOwed = write.isRefused();
    if (write.isDone() && m_publisher.isPublishing())
        m_publisher.publishSnapshot(m_meters->readings());
}
