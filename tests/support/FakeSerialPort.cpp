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
    if (!parsed)
        return PortError::InvalidLineSettings;
    m_settings = *parsed;
    return PortError::None;
}

int FakeSerialPort::write(const QByteArray& bytes) {
    if (!m_open)
        return PortError::PortNotOpen;
    written << bytes;
    return PortError::None;
}

void FakeSerialPort::deliver(const QByteArray& bytes) {
    m_incoming += bytes;
    emit bytesArrived();
}
