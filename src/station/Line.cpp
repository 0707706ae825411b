#include "Line.h"

#include "LineHealth.h"
#include "PollingCycle.h"
#include "RealtimeRecord.h"
#include "SerialExchange.h"
#include "SerialPort.h"

#include <QCoreApplication>

Line::Line(int number, std::unique_ptr<SerialPort> port, QObject* parent)
    : QObject(parent), m_number(number), m_name(QStringLiteral("Line %1").arg(number)),
      m_port(std::move(port)), m_exchange(std::make_unique<SerialExchange>(*m_port)),
      m_health(std::make_unique<LineHealth>(*m_exchange)), m_cursor(this), m_pollTimer(this),
      m_polling(std::make_unique<PollingCycle>(*m_exchange, m_cursor, m_pollTimer)),
      m_retryTimer(this), m_replyTimeout(m_polling->replyTimeout()) {
    for (QObject* part : std::initializer_list<QObject*>{m_port.get(), m_exchange.get(),
                                                         m_health.get(), m_polling.get()})
        part->setParent(this);
    connect(m_exchange.get(), &SerialExchange::replyReceived, this,
            [this](ReplyKind kind, const QString& hexText) {
                if (kind == ReplyKind::RealTime)
                    takeReply(hexText);
                else
                    emit parameterBlockReceived(kind, hexText);
            });
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &Line::retryPort);
    connect(m_port.get(), &SerialPort::lost, this, &Line::portLost);
    // A port that opens in the background (a gateway's connection) is back
    // only once it is through.
    connect(m_port.get(), &SerialPort::opened, this, &Line::portOpened);
    connect(m_health.get(), &LineHealth::lineStalled, this, &Line::reopenStalledPort);
}

Line::~Line() {
    if (!m_thread)
        return;
    // Home first: its timers and notifiers end on the thread they run on.
    m_borrows = 0;
    call([this] {
        m_pollTimer.setInterval({});
        m_retryTimer.stop();
        moveToThread(m_home);
    });
    m_thread->quit();
    m_thread->wait();
}

void Line::startThread() {
    if (m_thread || !m_port->movesToItsLine())
        return;
    m_home = thread();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("line %1").arg(m_number));
    moveToThread(m_thread.get());
    m_thread->start();
}

void Line::borrow() {
    if (m_thread && ++m_borrows == 1)
        call([this] { moveToThread(m_home); });
}

void Line::giveBack() {
    if (m_thread && m_borrows > 0 && --m_borrows == 0)
        moveToThread(m_thread.get());
}

void Line::setReplyTimeout(std::chrono::milliseconds timeout) {
    m_replyTimeout = timeout;
    call([this, timeout] { m_polling->setReplyTimeout(timeout); });
}

void Line::setRequestGap(std::chrono::milliseconds gap) {
    call([this, gap] { m_polling->setRequestGap(gap); });
}

void Line::setMeters(const QList<int>& addresses) {
    call([this, addresses] { m_cursor.setAddresses(addresses); });
}

int Line::open() {
    return call([this] {
        const int code = m_port->openEmptied();
        if (code != 0)
            portLost();
        return code;
    });
}

void Line::startReading() {
    call([this] {
        m_health->readingStarted();
        m_pollTimer.setInterval(m_pollPeriod);
    });
}

void Line::stopReading() {
    call([this] { m_pollTimer.setInterval({}); });
}

void Line::takeReply(const QString& hexText) {
    std::optional<Reading> reading = decodeRealtimeRecord(hexText);
    if (!reading) {
        m_health->replyDropped(hexText);
        return;
    }
    if (!m_cursor.lists(reading->address)) {
        m_health->replyNotStored(reading->address);
        return;
    }
    reading->line = m_number;
    reading->time = m_clock.now();
    // Counted as stored now, its reply time with it; the station tells the
    // health when the store refuses it after all.
    m_health->replyStored(reading->address);
    emit readingTaken(*reading, hexText);
}

bool Line::isLost() const {
    return m_health->isPortLost();
}

void Line::portLost() {
    // A retry that failed again is no news: the next one waits longer.
    if (!m_health->isPortLost())
        m_health->portLost();
    if (!m_retryTimer.isActive())
        m_retryTimer.start(m_recovery.nextDelay());
}

void Line::portOpened() {
    if (!m_health->isPortLost())
        return;
    m_recovery.reset();
    m_health->portBack();
}

void Line::retryPort() {
    // Opened meanwhile by a settings save or a parameter window: back too.
    // Only the lost device itself is tried, never the next one the lookup
    // would find.
    if (m_port->isOpen()) {
        portOpened();
        return;
    }
    if (m_port->reopenEmptied() != 0) {
        m_retryTimer.start(m_recovery.nextDelay());
        return;
    }
    // Open now, or on its way: a gateway says opened() or lost() later.
    if (m_port->isOpen())
        portOpened();
}

void Line::reopenStalledPort() {
    if (!m_port->isOpen())
        return;
    m_port->close();
    m_health->watchdogReopened(m_port->description());
    if (m_port->reopenEmptied() != 0)
        portLost();
}
