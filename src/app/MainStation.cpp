#include "MainStation.h"

#include "Database.h"
#include "LineSettings.h"
#include "MeterTable.h"
#include "PollingCycle.h"
#include "PortError.h"
#include "RealtimeRecord.h"
#include "RowSet.h"
#include "SerialExchange.h"
#include "SerialPort.h"
#include "SettingsTable.h"
#include "StoreError.h"

#include <cmath>
#include <limits>

namespace {

// Reads a settings value as a 16-bit signed number into `out`; returns 0,
// or the code of why it is not one.
int toInt16(const RowSet& rows, const QString& column, int* out) {
    const std::optional<QVariant> value = rows.value(column);
    if (!value)
        return rows.isOpen() ? StoreError::NoCurrentRow : StoreError::RowSetClosed;
    bool ok = false;
    const double number = value->toString().trimmed().toDouble(&ok);
    if (value->isNull() || !ok || !std::isfinite(number))
        return StoreError::TypeMismatch;
    const double rounded = std::nearbyint(number); // half to even
    if (rounded > std::numeric_limits<qint16>::max() ||
        rounded < std::numeric_limits<qint16>::min())
        return StoreError::Overflow;
    *out = static_cast<int>(rounded);
    return 0;
}

} // namespace

MainStation::MainStation(QString programDir, std::unique_ptr<SerialPort> port, QObject* parent)
    : QObject(parent), m_programDir(std::move(programDir)), m_port(std::move(port)),
      m_exchange(std::make_unique<SerialExchange>(*m_port)),
      m_polling(std::make_unique<PollingCycle>(*m_exchange, m_liveGrid)) {
    m_pollTimer.setInterval(0);
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval(SnapshotIntervalMs);
    connect(&m_pollTimer, &IntervalTimer::tick, m_polling.get(), &PollingCycle::tick);
    connect(&m_snapshotTimer, &IntervalTimer::tick, this, &MainStation::snapshotTick);
    connect(m_exchange.get(), &SerialExchange::replyReceived, this, &MainStation::dispatchReply);
}

void MainStation::dispatchReply(ReplyKind kind, const QString& hexText) {
    if (kind == ReplyKind::RealTime)
        Data_read1(hexText);
    else
        emit parameterBlockReceived(kind, hexText);
}

void MainStation::Data_read1(const QString& hexText) {
    const std::optional<Reading> decoded = decodeRealtimeRecord(hexText);
    if (!decoded || !m_meters)
        return;
    StoredReading reading;
    reading.MinuteAverage = decoded->flowRate;
    reading.danwei1 = decoded->flowRateUnit;
    reading.Foward = decoded->forwardTotal;
    reading.Reverse = decoded->reverseTotal;
    reading.danwei2 = decoded->totalizerUnit;
    reading.zhuangtai = decoded->status;
    reading.liusu = decoded->flowSpeed;
    reading.baifenbi = decoded->spanPercentage;
    reading.dianzu = decoded->electrodeImpedance;
    const QDateTime now = QDateTime::currentDateTime();
    if (!m_meters->storeReading(decoded->address, reading, now))
        return;
    m_liveGrid.updateMeter(decoded->address, reading, MeterTable::timeText(now));
    emit readingStored(decoded->address, hexText);
}

MainStation::~MainStation() {
    m_meters.reset(); // its prepared statement before the connection
    m_db.reset();
}

int MainStation::startUp() {
    m_db = std::make_unique<Database>(m_programDir, QStringLiteral("main"));
    if (!m_db->isOpen())
        return m_db->errorCode();
    m_meters = std::make_unique<MeterTable>(m_db->connection());

    const RowSet settings = SettingsTable(m_db->connection()).read();
    const std::optional<QVariant> noe = settings.value(QStringLiteral("noe"));
    const std::optional<QVariant> baud = settings.value(QStringLiteral("settings"));
    if (!noe || !baud)
        return settings.isOpen() ? StoreError::NoCurrentRow : StoreError::RowSetClosed;
    if (const int code = toInt16(settings, QStringLiteral("timer"), &m_pollPeriod))
        return code;
    int com = 0;
    if (const int code = toInt16(settings, QStringLiteral("com"), &com))
        return code;

    m_port->setPortNumber(com);
    if (const int code = m_port->openEmptied())
        return code;

    bool isCode = false;
    const int parityCode = noe->toInt(&isCode);
    if (const auto text = LineSettings::textFor(baud->toString(), isCode ? parityCode : -1)) {
        if (const int code = m_port->setLineSettings(*text))
            return code;
    }

    m_snapshots.reset();
    clearReadings();
    callDataGrid1();
    m_liveGrid.setCurrentRow(0);
    return 0;
}

QString MainStation::startupMessage(int code) {
    if (code == PortError::NoSuchPort)
        return QStringLiteral("Invalid serial port!\r\nError code:8002\r\nError cause:");
    return QStringLiteral("Invalid serial port!") + QString::number(code);
}

void MainStation::readMeterData() {
    m_pollTimer.setInterval(m_pollPeriod);
    m_snapshotTimer.setEnabled(true);
    m_snapshotTimer.setInterval(SnapshotIntervalMs);
    m_reading = true;
    emit readingChanged(true);
}

void MainStation::stopReading() {
    m_pollTimer.setInterval(0);
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval(0);
    m_reading = false;
    emit readingChanged(false);
}

void MainStation::callDataGrid1() {
    if (m_meters)
        m_liveGrid.load(m_meters->liveRows());
    else
        m_liveGrid.load(RowSet());
}

void MainStation::clearReadings() {
    if (m_meters)
        m_meters->clearReadings();
}

void MainStation::setRecordIntervalSource(std::function<QString()> source) {
    m_recordInterval = std::move(source);
}

void MainStation::snapshotTick() {
    const QString interval = m_recordInterval ? m_recordInterval() : QString();
    // A failed insert is not reported; the count starts again regardless.
    if (m_snapshots.minutePassed(interval) && m_meters)
        m_meters->snapshot();
}
