#include "Line.h"

#include "LineHealth.h"
#include "PollingCycle.h"
#include "SerialExchange.h"
#include "SerialPort.h"

Line::Line(int number, std::unique_ptr<SerialPort> port, const LatestReadings& readings,
           QObject* parent)
    : QObject(parent), m_number(number), m_name(QStringLiteral("Line %1").arg(number)),
      m_port(std::move(port)), m_exchange(std::make_unique<SerialExchange>(*m_port)),
      m_health(std::make_unique<LineHealth>(*m_exchange)), m_cursor(readings, number),
      m_polling(std::make_unique<PollingCycle>(*m_exchange, m_cursor, m_pollTimer)) {
    connect(m_exchange.get(), &SerialExchange::replyReceived, this,
            [this](ReplyKind kind, const QString& hexText) {
                if (kind == ReplyKind::RealTime)
                    emit realtimeReply(hexText);
                else
                    emit parameterBlockReceived(kind, hexText);
            });
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &Line::retryPort);
    connect(m_port.get(), &SerialPort::lost, this, &Line::portLost);
    connect(m_health.get(), &LineHealth::lineStalled, this, &Line::reopenStalledPort);
}

Line::~Line() = default;

int Line::open() {
    const int code = m_port->openEmptied();
    if (code != 0)
        portLost();
    return code;
}

void Line::startReading() {
    m_health->readingStarted();
    m_pollTimer.setInterval(m_pollPeriod);
}

void Line::stopReading() {
    m_pollTimer.setInterval({});
}

void Line::portLost() {
    m_health->portLost(m_port->description());
    if (!m_retryTimer.isActive())
        m_retryTimer.start(m_recovery.nextDelay());
}

void Line::retryPort() {
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

void Line::reopenStalledPort() {
    if (!m_port->isOpen())
        return;
    m_port->close();
    m_health->watchdogReopened(m_port->description());
    if (m_port->reopenEmptied() != 0)
        portLost();
}
