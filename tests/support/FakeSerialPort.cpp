#include "FakeSerialPort.h"

int FakeSerialPort::open() {
    calls << QStringLiteral("open %1").arg(m_number);
    if (openResult == PortError::None)
        m_open = true;
    return openResult;
}

void FakeSerialPort::close() {
    calls << QStringLiteral("close");
    m_open = false;
}

int FakeSerialPort::setLineSettings(const QString& settings) {
    calls << QStringLiteral("settings ") + settings;
    const auto parsed = LineSettings::parse(settings);
    m_settings = parsed.value_or(m_settings);
    return parsed ? PortError::None : PortError::InvalidLineSettings;
}

int FakeSerialPort::write(const QByteArray& bytes) {
    if (m_open)
        written << bytes;
    return m_open ? PortError::None : PortError::PortNotOpen;
}

void FakeSerialPort::deliver(const QByteArray& bytes) {
    m_incoming += bytes;
    emit bytesArrived();
}
