#include "LineProbe.h"

#include "Frames.h"
#include "Line.h"
#include "PortError.h"
#include "RealtimeRecord.h"
#include "SerialExchange.h"
#include "SerialPort.h"
#include "Station.h"

namespace {

QString numbers(const QList<int>& addresses) {
    QStringList texts;
    for (int address : addresses)
        texts << QString::number(address);
    return texts.join(QStringLiteral(", "));
}

} // namespace

LineProbe::LineProbe(Station& station, QObject* parent) : QObject(parent), m_station(station) {
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &LineProbe::noAnswer);
}

LineProbe::~LineProbe() {
    // The line gets its port back; nobody is left to hear of it.
    blockSignals(true);
    if (m_running)
        finish();
}

bool LineProbe::start(const StoredLine& line, const QList<int>& meters) {
    if (m_running)
        return false;
    m_running = true;
    m_line = line;
    m_meters = meters;
    m_next = 0;
    m_outcome = {};
    m_held = m_station.line(line.number);
    if (m_held) {
        m_station.holdLine(line.number); // here, on this thread, from now
        m_heldOpen = m_held->port().isOpen();
        m_held->port().close();
    }
    m_port = m_station.portFor(line);
    m_outcome.portError = m_port ? m_port->openEmptied() : PortError::NoSuchPort;
    if (m_outcome.portError != 0) {
        finish();
        return true;
    }
    m_exchange = std::make_unique<SerialExchange>(*m_port);
    connect(m_exchange.get(), &SerialExchange::replyReceived, this, &LineProbe::replied);
    m_timeout.setInterval(std::chrono::milliseconds(line.replyTimeout));
    if (m_port->isOpen()) {
        firstQuestion();
        return true;
    }
    // A gateway's connection is on its way: the questions wait for it, and
    // a connection that fails is the answer.
    connect(m_port.get(), &SerialPort::opened, this, &LineProbe::firstQuestion);
    connect(m_port.get(), &SerialPort::lost, this, [this] {
        if (!m_running)
            return;
        m_outcome.loss = m_port->lossText();
        finish();
    });
    return true;
}

void LineProbe::firstQuestion() {
    // A poll of the line may still be on its way, its meter answering: the
    // first question waits for that to be over, or it goes unheard.
    QTimer::singleShot(m_timeout.interval(), this, [this] {
        if (m_running && m_exchange)
            askNext();
    });
}

void LineProbe::askNext() {
    if (m_next == m_meters.size()) {
        finish();
        return;
    }
    m_exchange->clearform1();
    // A request the port will not take is a meter that cannot answer.
    m_exchange->send(Frames::readRequest(std::uint8_t(m_meters[m_next]), ReplyKind::RealTime));
    m_timeout.start();
}

void LineProbe::replied(ReplyKind kind, const QString& hexText) {
    const std::optional<Reading> reading = decodeRealtimeRecord(hexText);
    // A late answer of a meter asked before, or of the line's last poll,
    // counts for nothing.
    if (kind != ReplyKind::RealTime || !reading || !m_timeout.isActive() ||
        m_next == m_meters.size() || reading->address != m_meters[m_next])
        return;
    m_timeout.stop();
    m_outcome.answered << m_meters[m_next++];
    askNext();
}

void LineProbe::noAnswer() {
    m_outcome.silent << m_meters[m_next++];
    askNext();
}

void LineProbe::finish() {
    m_timeout.stop();
    // The last reply may be telling of itself through them right now:
    // closed at once, for the line to have its device again, and deleted
    // once that is over.
    if (m_port)
        m_port->close();
    if (m_exchange)
        m_exchange.release()->deleteLater();
    if (m_port)
        m_port.release()->deleteLater();
    if (m_held) {
        if (m_heldOpen)
            m_held->open();
        m_station.releaseLine(m_line.number);
    }
    m_held.clear();
    m_running = false;
    emit finished(summary(m_line, m_outcome));
}

QString LineProbe::summary(const StoredLine& line, const Outcome& outcome) {
    const QString head = QStringLiteral("Line %1 \"%2\": ").arg(line.number).arg(line.name);
    if (!outcome.loss.isEmpty())
        return head + outcome.loss + QLatin1Char('.');
    if (outcome.portError != 0) {
        const QString hint = PortError::hint(outcome.portError);
        return head + QStringLiteral("port %1 did not open (error %2).%3")
                          .arg(line.portText())
                          .arg(outcome.portError)
                          .arg(hint.isEmpty() ? QString() : QLatin1Char(' ') + hint);
    }
    QStringList parts;
    if (!outcome.answered.isEmpty())
        parts << numbers(outcome.answered) + QStringLiteral(" answered");
    if (!outcome.silent.isEmpty())
        parts << numbers(outcome.silent) + QStringLiteral(" silent");
    return head + (parts.isEmpty() ? QStringLiteral("no meters to ask") : parts.join("; "));
}
