#include "SerialExchange.h"

#include "SerialPort.h"

SerialExchange::SerialExchange(SerialPort& port, QObject* parent) : QObject(parent), m_port(port) {
    connect(&m_port, &SerialPort::bytesArrived, this, &SerialExchange::onBytesArrived);
}

int SerialExchange::send(const QByteArray& frame) {
    const int code = m_port.write(frame);
    if (code == 0)
        emit frameSent(frame);
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
}
