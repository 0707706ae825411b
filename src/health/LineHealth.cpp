#include "LineHealth.h"

#include "Frames.h"
#include "HexText.h"
#include "PortError.h"
#include "SerialExchange.h"
#include "SerialPort.h"

namespace {

// A real-time read request, and to which meter; nullopt for any other frame.
std::optional<int> realtimeRequestAddress(const QByteArray& frame) {
    if (frame.isEmpty())
        return std::nullopt;
    const auto address = static_cast<std::uint8_t>(frame.at(0));
    if (frame != Frames::readRequest(address, ReplyKind::RealTime))
        return std::nullopt;
    return address;
}

} // namespace

LineHealth::LineHealth(SerialExchange& exchange, QObject* parent)
    : QObject(parent), m_exchange(exchange) {
    connect(&m_exchange, &SerialExchange::frameSent, this, &LineHealth::onFrameSent);
    connect(&m_exchange, &SerialExchange::sendFailed, this, &LineHealth::onSendFailed);
    connect(&m_exchange, &SerialExchange::replyCutShort, this, &LineHealth::replyLate);
    connect(&m_exchange, &SerialExchange::bytesReceived, this, [this](qsizetype count) {
        this->count([count](LineStatistics& s) { s.bytesReceived(count); });
        m_watchdog.byteArrived();
    });
    connect(&m_exchange, &SerialExchange::replyReceived, this,
            [this](ReplyKind, const QString& hexText) {
                count([&](LineStatistics& s) { s.replyBytes(hexText.size() / 2); });
            });
    // A gateway's replies that never reach the exchange: the line is not
    // silent for them.
    SerialPort& port = m_exchange.port();
    connect(&port, &SerialPort::staleReply, this, [this] {
        count([](LineStatistics& s) { s.staleReply(); });
        m_watchdog.byteArrived();
    });
    connect(&port, &SerialPort::garbledReply, this, [this] {
        count([](LineStatistics& s) { s.garbledReply(); });
        m_watchdog.byteArrived();
    });
    connect(&port, &SerialPort::exceptionReply, this, [this](int code) {
        count([code](LineStatistics& s) { s.exceptionReply(code); });
        m_watchdog.byteArrived();
    });
}

void LineHealth::storeRefused(int address) {
    count([address](LineStatistics& s) { s.storeRefused(address); });
}

LineStatistics LineHealth::statistics() const {
    return count([](const LineStatistics& s) { return s; });
}

qsizetype LineHealth::bytesAwaitingReply() const {
    return m_exchange.bufferText().size() / 2; // two hex digits a byte
}

void LineHealth::readingStarted() {
    m_freshness.readingStarted(m_clock.now());
}

void LineHealth::onFrameSent(const QByteArray& frame) {
    m_sendFailing = false;
    const std::optional<int> address = realtimeRequestAddress(frame);
    const auto closed = count([&](LineStatistics& s) {
        return address ? s.requestSent(*address, LineStatistics::Clock::now()) : s.lineTaken();
    });
    if (closed && closed->outcome == LineStatistics::Outcome::NoReply)
        missed(closed->address);
    if (!address)
        return;
    m_freshness.asked(*address, m_clock.now());
    if (m_watchdog.pollSent(SilenceWatchdog::Clock::now()))
        emit lineStalled();
}

void LineHealth::onSendFailed(int code) {
    count([](LineStatistics& s) { s.requestNotSent(); });
    // A lost port has been told already; its failed sends are only counted.
    if (m_portLost || m_sendFailing)
        return;
    m_sendFailing = true;
    const QString hint = PortError::hint(code);
    emit sendFailing(m_exchange.port().description(),
                     QStringLiteral("error code %1%2")
                         .arg(code)
                         .arg(hint.isEmpty() ? QString() : QStringLiteral(": ") + hint));
}

void LineHealth::portLost() {
    m_portLost = true;
    count([](LineStatistics& s) { s.portLost(); });
    const SerialPort& port = m_exchange.port();
    emit lineLost(port.description(), port.lossText());
}

void LineHealth::portBack() {
    m_portLost = false;
    const SerialPort& port = m_exchange.port();
    emit lineBack(port.description(), port.returnText());
}

void LineHealth::watchdogReopened(const QString& port) {
    count([](LineStatistics& s) { s.watchdogReopened(); });
    emit lineSilent(port);
}

void LineHealth::replyLate() {
    count([](LineStatistics& s) { s.replyLate(); });
    if (++m_lateRun == LateRunForNotice)
        emit repliesLate(m_exchange.port().description());
}

void LineHealth::replyStored(int address) {
    m_lateRun = 0;
    const QDateTime now = m_clock.now();
    count([&](LineStatistics& s) { s.replyStored(address, LineStatistics::Clock::now(), now); });
    answered(address, now);
}

void LineHealth::replyNotStored(int address) {
    const QDateTime now = m_clock.now();
    count([&](LineStatistics& s) { s.replyNotStored(address, LineStatistics::Clock::now(), now); });
    answered(address, now);
}

void LineHealth::replyDropped(const QString& hexText) {
    const int address = HexText::byteAt(hexText, 0);
    // A damaged reply is no answer: it counts as a missed poll.
    if (count([address](LineStatistics& s) { return s.replyDropped(address); }))
        missed(address);
}

void LineHealth::missed(int address) {
    if (m_freshness.missed(address) == MeterFreshness::Change::FellSilent)
        emit meterSilent(address, m_freshness.noReplyText(address));
    emit meterFreshnessChanged(address, m_freshness.noReplyText(address));
}

void LineHealth::answered(int address, const QDateTime& at) {
    if (m_freshness.answered(address, at) == MeterFreshness::Change::AnswersAgain) {
        emit meterAnswering(address);
        emit meterFreshnessChanged(address, m_freshness.noReplyText(address));
    }
}

void LineHealth::storeWrite(const StoreWrite& write) {
    if (write.isRefused())
        count([](LineStatistics& s) { s.storeFailed(); });
    switch (m_store.record(write)) {
    case StoreHealth::Change::StartedFailing:
        emit storeFailing(m_store.reason());
        break;
    case StoreHealth::Change::Recovered:
        emit storeRecovered();
        break;
    case StoreHealth::Change::None:
        break;
    }
}

void LineHealth::resetStatistics() {
    count([](LineStatistics& s) { s.reset(); });
}
