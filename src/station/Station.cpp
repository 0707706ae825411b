#include "Station.h"

#include "AlarmJournal.h"
#include "BrokerPassword.h"
#include "Checkpointer.h"
#include "ConsumptionReport.h"
#include "Database.h"
#include "DayConsumption.h"
#include "GatewayPort.h"
#include "LineHealth.h"
#include "LineSettings.h"
#include "LineTable.h"
#include "MeterTable.h"
#include "PollingCycle.h"
#include "PortLocator.h"
#include "Pruner.h"
#include "PublishTable.h"
#include "QtSerialPort.h"
#include "ReadingWriter.h"
#include "RealtimeRecord.h"
#include "RollupBuild.h"
#include "RollupFolder.h"
#include "SchemaUpgrade.h"
#include "SerialExchange.h"
#include "SerialPort.h"
#include "SettingsTable.h"
#include "StoreSnapshotSource.h"
#include "WholeNumber.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

Station::Station(QString programDir, std::unique_ptr<SerialPort> port, QObject* parent)
    : QObject(parent), m_programDir(std::move(programDir)) {
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval(SnapshotInterval);
    connect(&m_snapshotTimer, &IntervalTimer::tick, this, &Station::snapshotTick);
    m_dayTimer.setSingleShot(true);
    m_dayTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_dayTimer, &QTimer::timeout, this, [this] {
        publishDayConsumption(QDate::currentDate().addDays(-1));
        armDayTimer();
    });
    addLine(std::make_unique<Line>(1, std::move(port)));
    m_makePort = [this](const QString& port) -> std::unique_ptr<SerialPort> {
        if (port.startsWith(QLatin1Char('/')))
            return std::make_unique<QtSerialPort>(PortLocator(QStringList{port}));
        return std::make_unique<QtSerialPort>(PortLocator(m_programDir));
    };
}

std::unique_ptr<SerialPort> Station::portFor(const StoredLine& settings) {
    std::unique_ptr<SerialPort> port;
    if (settings.isGateway()) {
        port = std::make_unique<GatewayPort>(GatewayPort::Target{
            settings.host, quint16(settings.tcpPort),
            settings.transport == StoredLine::Transport::ModbusTcp ? GatewayPort::Framing::ModbusTcp
                                                                   : GatewayPort::Framing::Rtu,
            std::chrono::milliseconds(settings.connectTimeout),
            std::chrono::milliseconds(settings.connectPause)});
    } else {
        const std::optional<int> com = PortLocator::numberFor(settings.port);
        if (!com)
            return nullptr;
        port = m_makePort(settings.port);
        port->setPortNumber(*com);
    }
    // Behind a gateway too: the bus's speed times the line.
    if (const auto text = LineSettings::textFor(settings.baud, settings.parity))
        port->setLineSettings(*text);
    return port;
}

std::vector<Line*> Station::setUpLines() {
    const QList<StoredLine> stored = LineTable(m_db->connection()).lines();
    m_lineNames.clear();
    for (const StoredLine& settings : stored)
        m_lineNames.insert(settings.number, settings.name);
    const auto storedAs = [&stored](int number) {
        for (const StoredLine& settings : stored)
            if (settings.number == number && settings.fault.isEmpty())
                return std::optional<StoredLine>(settings);
        return std::optional<StoredLine>();
    };
    // A line changed or gone stops; the others read on, their counts kept.
    std::erase_if(m_lines, [&](const std::unique_ptr<Line>& line) {
        const int number = line->number();
        const bool gone = number != 1 && storedAs(number) != m_lineSettings.value(number);
        if (gone)
            m_holds.remove(number); // its successor starts unheld
        return gone;
    });
    std::vector<Line*> started;
    for (const StoredLine& settings : stored) {
        if (!settings.fault.isEmpty()) {
            if (settings.number != 1)
                emit lineNotStarted(settings.fault);
            continue;
        }
        if (settings.number == 1) {
            firstLine().setName(settings.name);
            firstLine().setPollPeriod(std::chrono::milliseconds(settings.pollPeriod));
            firstLine().setReplyTimeout(std::chrono::milliseconds(settings.replyTimeout));
            continue;
        }
        if (line(settings.number)) // kept running: unchanged
            continue;
        std::unique_ptr<SerialPort> port = portFor(settings);
        if (!port) {
            emit lineNotStarted(QStringLiteral("%1: port \"%2\" is neither com%3 to com%4 nor a "
                                               "device path")
                                    .arg(settings.name, settings.port)
                                    .arg(PortLocator::FirstPort)
                                    .arg(PortLocator::LastPort));
            continue;
        }
        auto line = std::make_unique<Line>(settings.number, std::move(port));
        line->setName(settings.name);
        line->setPollPeriod(std::chrono::milliseconds(settings.pollPeriod));
        line->setReplyTimeout(std::chrono::milliseconds(settings.replyTimeout));
        line->setRequestGap(std::chrono::milliseconds(settings.requestGap));
        // Opened on its own thread, where a gateway's connection then runs. A
        // port that is away is tried again as a lost one; the line is there
        // all the same.
        line->startThread();
        line->open();
        m_lineSettings.insert(settings.number, settings);
        started.push_back(line.get());
        addLine(std::move(line));
    }
    // By number, as the grid and the statistics list them.
    std::sort(m_lines.begin(), m_lines.end(),
              [](const auto& a, const auto& b) { return a->number() < b->number(); });
    return started;
}

std::vector<Line*> Station::reloadLines() {
    if (!m_db)
        return {};
    const std::vector<Line*> started = setUpLines();
    m_publisher.setLineNames(m_lineNames);
    if (m_reading)
        for (Line* line : started)
            line->startReading();
    callDataGrid1();
    return started;
}

void Station::addLine(std::unique_ptr<Line> line) {
    Line* added = line.get();
    connect(added, &Line::readingTaken, this, &Station::takeReading);
    connect(added, &Line::parameterBlockReceived, this, &Station::parameterBlockReceived);
    LineHealth* health = &added->health();
    // A silent meter's row is drawn muted, with since when it is silent.
    const int number = added->number();
    connect(health, &LineHealth::meterFreshnessChanged, this,
            [this, number](int address, const QString& noReplyText) {
                m_readings.setNoReplyText(number, address, noReplyText);
            });
    // The broker hears of it too; its next stored reading says "online" again.
    connect(health, &LineHealth::meterSilent, this, [this, added](int address) {
        m_publisher.meterSilent(added->number(), address);
        meterSilent(added->number(), address);
    });
    m_lines.push_back(std::move(line));
}

void Station::Data_read1(const QString& hexText) {
    Data_read1(firstLine(), hexText);
}

void Station::Data_read1(Line& line, const QString& hexText) {
    line.takeReply(hexText);
}

void Station::takeReading(const Reading& reading, const QString& hexText) {
    // Shown at once; a meter no longer listed, or a store not open, keeps
    // nothing.
    if (!m_writer || !m_readings.update(reading)) {
        if (Line* from = line(reading.line))
            from->health().storeRefused(reading.address);
        return;
    }
    // The row as shown: a value this reply lacked keeps the one before.
    m_writer->store(*m_readings.find(reading.line, reading.address));
    emit readingReceived(reading, hexText);
}

void Station::readingCommitted(const Reading& row) {
    if (m_publisher.isPublishing())
        m_publisher.publishReading(row);
    trackAlarms(row);
    emit readingStored(row);
    if (m_readingsStale)
        blankStaleReadings();
}

void Station::trackAlarms(const Reading& row) {
    if (!row.status)
        return;
    QString& seen = m_statusSeen[{row.line, row.address}];
    if (seen == *row.status && !seen.isNull())
        return;
    seen = *row.status;
    const qint64 at =
        row.time.isValid() ? row.time.toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
    takeAlarmEvents(m_alarms.replied(row.line, row.address, seen, at));
}

void Station::meterSilent(int line, int address) {
    if (!m_readings.find(line, address))
        return; // no longer listed: its alarms went with it
    // Its next reply is tracked whatever it says: No Reply goes with it.
    m_statusSeen.remove({line, address});
    takeAlarmEvents(m_alarms.silent(line, address, QDateTime::currentMSecsSinceEpoch()));
}

void Station::dropUnlistedAlarms() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const AlarmTracker::Active& alarm : m_alarms.active())
        if (!m_readings.find(alarm.line, alarm.address)) {
            m_statusSeen.remove({alarm.line, alarm.address});
            takeAlarmEvents(m_alarms.removed(alarm.line, alarm.address, now));
        }
}

void Station::takeAlarmEvents(const QList<AlarmTracker::Event>& events) {
    for (const AlarmTracker::Event& event : events) {
        const QString name = AlarmTracker::name(event.alarm);
        const StoreWrite write = event.came
                                     ? m_journal->came(event.line, event.address, name, event.at)
                                     : m_journal->went(event.line, event.address, name, event.at);
        if (write.isRefused())
            health().storeWrite(write);
        m_publisher.publishAlarm(event.line, event.address, name,
                                 event.came ? QStringLiteral("came") : QStringLiteral("went"),
                                 event.at);
        emit alarmEvent(event);
    }
}

StoreWrite Station::acknowledgeAlarm(const AlarmOccurrence& alarm, int level) {
    if (!m_journal)
        return StoreWrite::refused(QStringLiteral("the database is not open"));
    const qint64 at = QDateTime::currentMSecsSinceEpoch();
    const StoreWrite write = m_journal->acknowledge(alarm.id, at, level);
    if (write.isDone()) {
        m_publisher.publishAlarm(alarm.line, alarm.address, alarm.alarm,
                                 QStringLiteral("acknowledged"), at, level);
        emit alarmAcknowledged(alarm);
    }
    return write;
}

StoredWeb Station::storedWeb() const {
    return m_db ? SettingsTable(m_db->connection()).web() : StoredWeb{};
}

StoreWrite Station::setDesktopNotices(bool on) {
    if (!m_db)
        return StoreWrite::refused(QStringLiteral("the database is not open"));
    const StoreWrite write = SettingsTable(m_db->connection()).storeDesktopNotices(on);
    if (write.isDone())
        m_desktopNotices = on;
    return write;
}

void Station::readingRefused(const Reading& row, const StoreWrite& write) {
    // The operator still sees what the meter said; the notice tells that
    // it is not kept.
    health().storeWrite(write); // one store: its notices come once
    if (Line* stored = line(row.line))
        stored->health().storeRefused(row.address);
}

StoreWrite Station::flushReadings() {
    return m_writer ? m_writer->flush() : StoreWrite::done();
}

void Station::takeWaitingReadings() {
    // The lines are stopped: what they took last still waits in this
    // thread's queue.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void Station::blankStaleReadings() {
    flushReadings();
    const StoreWrite write = m_meters->clearReadings(m_startedAt);
    health().storeWrite(write);
    m_readingsStale = write.isRefused();
}

Station::~Station() {
    m_lines.clear(); // each ends its thread; nothing more comes to store
    takeWaitingReadings();
    m_writer.reset(); // commits what waits, on its own connection
    m_pruner.reset();
    m_checkpointer.reset();
    m_rollupBuild.reset();
    m_rollups.reset();
    m_meters.reset(); // its prepared statement before the connection
    m_journal.reset();
    m_db.reset();
}

void Station::setPasswordPlace(const QString& credentialsFile, bool keyring) {
    m_credentialsFile = credentialsFile;
    m_keyring = keyring;
}

StartupResult Station::startUp() {
    const QString file = Database::filePath(m_programDir);
    m_db = std::make_unique<Database>(m_programDir, Database::Options{ReadingBusyTimeout, false});
    if (!m_db->isOpen())
        return StartupResult::storeFailed(m_db->errorCode(), m_db->fault(), file);
    // An older store gains its lines before anything reads it; a store
    // that refuses is reported below by what it refuses.
    SchemaUpgrade::run(m_db->connection());
    m_meters = std::make_unique<MeterTable>(m_db->connection());
    // The alarms the last run left open are active still: one that lasts
    // goes on from when it came, one gone is closed by the meter's next reply.
    m_journal = std::make_unique<AlarmJournal>(m_db->connection());
    for (const AlarmOccurrence& open : m_journal->open())
        if (const std::optional<AlarmTracker::Alarm> alarm = AlarmTracker::named(open.alarm))
            m_alarms.resume({open.line, open.address, *alarm, open.came});
    m_desktopNotices = SettingsTable(m_db->connection()).desktopNotices();
    m_rollups = std::make_unique<RollupFolder>(m_db->connection());
    if (RollupBuild::needed(m_db->connection())) {
        m_rollupBuild = std::make_unique<RollupBuild>(m_programDir);
        connect(m_rollupBuild.get(), &RollupBuild::progress, this, &Station::rollupProgress);
        connect(m_rollupBuild.get(), &RollupBuild::finished, this, [this](const QString& error) {
            // Folding what is left here would hold the window up; the next
            // start builds on from where this build stopped.
            if (!error.isEmpty())
                m_rollups.reset();
            else
                m_rollups->forget(); // the build moved the store on
            emit rollupsBuilt(error);
            foldRollups();
        });
    }
    m_startedAt = QDateTime::currentDateTime();
    m_checkpointer = std::make_unique<Checkpointer>(m_programDir);
    m_pruner = std::make_unique<Pruner>(m_programDir);
    connect(m_pruner.get(), &Pruner::pruned, this, &Station::snapshotsPruned);
    connect(m_pruner.get(), &Pruner::refused, this, &Station::pruningRefused);
    ReadingWriter::Options writing;
    writing.busyTimeout = ReadingBusyTimeout;
    m_writer = std::make_unique<ReadingWriter>(m_programDir, writing);
    connect(m_writer.get(), &ReadingWriter::stored, this, &Station::readingCommitted);
    connect(m_writer.get(), &ReadingWriter::refused, this, &Station::readingRefused);
    connect(m_writer.get(), &ReadingWriter::committed, this,
            [this] { health().storeWrite(StoreWrite::done()); });

    // Publishing is added to an older database; it never stops start-up.
    PublishTable publishTable(m_db->connection());
    publishTable.addIfMissing();
    if (std::optional<PublishSettings> publish = publishTable.read()) {
        BrokerPassword password(m_programDir, m_credentialsFile, m_keyring);
        publish->password = password.load(publishTable);
        for (const QString& note : password.notes())
            emit passwordNote(note);
        m_publisher.apply(*publish);
    }

    const SettingsTable::Read stored = SettingsTable(m_db->connection()).read();
    if (stored.error)
        return StartupResult::storeFailed(stored.error, stored.fault, file);
    m_recordInterval.setText(stored.settings.recordInterval);
    armDayTimer();
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

    firstLine().setPollPeriod(std::chrono::milliseconds(m_pollPeriod));
    setUpLines();
    firstLine().startThread();
    m_publisher.setLineNames(m_lineNames);
    m_snapshots.reset();
    clearReadings();
    callDataGrid1();
    return {};
}

void Station::armDayTimer() {
    // After the first snapshot of the new day, so the day's last volume is
    // read on both sides of midnight.
    const qint64 interval = WholeNumber::parse(m_recordInterval.text(), 1, 32767).value_or(1);
    m_dayTimer.start(std::chrono::milliseconds(
        DayConsumption::msUntilDue(QDateTime::currentDateTime(), (interval + 1) * 60000)));
}

void Station::publishDayConsumption(QDate day) {
    if (!m_publisher.isPublishing() || !m_meters)
        return;
    ConsumptionReport::Query query;
    query.periods = {PeriodKind::Day,
                     QTimeZone::systemTimeZone(),
                     day,
                     day,
                     WholeNumber::parse(m_recordInterval.text(), 1, 32767).value_or(0) * 60000LL,
                     {}};
    for (const Reading& reading : m_meters->readings())
        query.meters << ConsumptionReport::Meter{reading.line, reading.address};
    StoreSnapshotSource source(m_db->connection());
    const ConsumptionReport::Result result = ConsumptionReport::run(query, source);
    for (const ConsumptionReport::MeterRows& meter : result.meters)
        m_publisher.publishDayConsumption(meter.meter.line, meter.meter.address,
                                          DayConsumption::json(day, meter.total));
}

void Station::readMeterData() {
    for (const auto& line : m_lines)
        if (!isHeld(line->number()))
            line->startReading();
    m_snapshotTimer.setEnabled(true);
    m_snapshotTimer.setInterval(SnapshotInterval);
    m_reading = true;
    emit readingChanged(true);
}

Line* Station::line(int number) const {
    for (const auto& line : m_lines)
        if (line->number() == number)
            return line.get();
    return nullptr;
}

void Station::borrowLine(int number) {
    if (Line* borrowed = line(number))
        borrowed->borrow();
}

void Station::returnLine(int number) {
    if (Line* borrowed = line(number))
        borrowed->giveBack();
}

void Station::holdLine(int number) {
    Line* held = line(number);
    if (!held)
        return;
    held->borrow();
    if (++m_holds[number] == 1)
        held->stopReading();
}

void Station::releaseLine(int number) {
    Line* held = line(number);
    if (!held || !isHeld(number))
        return;
    if (--m_holds[number] == 0 && m_reading)
        held->startReading();
    held->giveBack();
}

void Station::stopReading() {
    for (const auto& line : m_lines)
        line->stopReading();
    takeWaitingReadings();
    flushReadings();
    m_snapshotTimer.setEnabled(false);
    m_snapshotTimer.setInterval({});
    m_reading = false;
    emit readingChanged(false);
}

void Station::callDataGrid1() {
    flushReadings();
    QList<Reading> readings = m_meters ? m_meters->readings() : QList<Reading>();
    // The units last stored stand until the meter gives its own.
    m_publisher.setMeters(readings);
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
    dropUnlistedAlarms();
    // Each line asks its own meters, from the first.
    for (const auto& line : m_lines)
        line->setMeters(m_readings.addresses(line->number()));
}

void Station::clearReadings() {
    if (!m_meters)
        return;
    flushReadings();
    const StoreWrite write = m_meters->clearReadings();
    health().storeWrite(write);
    m_readingsStale = write.isRefused();
}

void Station::foldRollups() {
    if (!m_rollups || (m_rollupBuild && m_rollupBuild->isRunning()))
        return;
    const RollupFolder::Progress folded = m_rollups->fold(std::numeric_limits<qint64>::max());
    if (!folded.error.isEmpty())
        health().storeWrite(StoreWrite::refused(folded.error));
}

void Station::snapshotTick() {
    const QString& interval = m_recordInterval.text();
    // The count starts again whether or not the copy is taken; one the
    // store refused is owed and tried again a minute later.
    const bool due = m_snapshots.minutePassed(interval);
    if (!(due || m_snapshotOwed) || !m_meters)
        return;
    flushReadings(); // the copy takes every reading taken so far
    const StoreWrite write = m_meters->snapshot();
    health().storeWrite(write);
    m_snapshotOwed = write.isRefused();
    if (write.isDone()) {
        foldRollups();
        emit snapshotTaken();
    }
    if (write.isDone() && m_publisher.isPublishing())
        m_publisher.publishSnapshot(m_meters->readings());
}
