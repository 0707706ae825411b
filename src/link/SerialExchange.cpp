#include "SerialExchange.h"

#include "Frames.h"
#include "SerialPort.h"

SerialExchange::SerialExchange(SerialPort& port, QObject* parent) : QObject(parent), m_port(port) {
    connect(&m_port, &SerialPort::bytesArrived, this, &SerialExchange::onBytesArrived);
}

void SerialExchange::clearform1() {
    // Bytes that have arrived are taken in first, as their receive event
    // would have been: a reply that came in time is not thrown away because
    // the port was left unread a little longer, nor does a piece of it run
    // into the next one.
    receive(m_port.readAll());
    if (replyUnderway())
        emit replyCutShort();
    m_buffer.clear();
    m_port.expectBytes(0);
}

int SerialExchange::send(const QByteArray& frame) {
    m_expectedLength = Frames::replyLength(frame);
    const int code = m_port.write(frame);
    if (code == 0)
        emit frameSent(frame);
    else
        emit sendFailed(code);
    return code;
}

void SerialExchange::onBytesArrived() {
    receive(m_port.readAll());
}

void SerialExchange::receive(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    emit bytesReceived(bytes.size());
    m_buffer.append(bytes);
    if (const auto kind = m_buffer.completeReply())
        emit replyReceived(*kind, m_buffer.take());
    if (m_buffer.text().isEmpty()) {
        m_port.expectBytes(0);
        return;
    }
    m_port.expectBytes(m_buffer.bytesToReply(m_expectedLength).value_or(SerialPort::NothingWanted));
}

bool SerialExchange::replyUnderway() const {
    const std::optional<int> missing = m_buffer.bytesToReply(m_expectedLength);
    return !m_buffer.text().isEmpty() && missing && *missing > 0;
}
