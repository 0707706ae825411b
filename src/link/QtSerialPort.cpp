#include "QtSerialPort.h"

#include "PortError.h"

QtSerialPort::QtSerialPort(PortLocator locator, QObject* parent)
    : SerialPort(parent), m_locator(std::move(locator)) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::bytesArrived);
}

int QtSerialPort::open() {
    if (m_port.isOpen())
        return PortError::PortBusy;
    const QString device = m_locator.devicePath(m_portNumber);
    if (device.isEmpty())
        return PortError::NoSuchPort;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return PortError::NoSuchPort;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
            return PortError::PortBusy;
        default:
            return PortError::CannotOpen;
        }
    }
    applySettings();
    return PortError::None;
}

void QtSerialPort::close() {
    if (m_port.isOpen())
        m_port.close();
}

int QtSerialPort::setLineSettings(const QString& settings) {
    const auto parsed = LineSettings::parse(settings);
    if (!parsed)
        return PortError::InvalidLineSettings;
    m_settings = *parsed;
    if (m_port.isOpen() && !applySettings())
        return PortError::InvalidLineSettings;
    return PortError::None;
}

bool QtSerialPort::applySettings() {
    const QSerialPort::Parity parity = m_settings.parity == 'o'   ? QSerialPort::OddParity
                                       : m_settings.parity == 'e' ? QSerialPort::EvenParity
                                                                  : QSerialPort::NoParity;
    bool ok = m_port.setBaudRate(m_settings.baud);
    ok = m_port.setParity(parity) && ok;
    ok = m_port.setDataBits(static_cast<QSerialPort::DataBits>(m_settings.dataBits)) && ok;
    ok = m_port.setStopBits(m_settings.stopBits == 2 ? QSerialPort::TwoStop
                                                     : QSerialPort::OneStop) &&
         ok;
    return ok;
}

void QtSerialPort::setFlowControlNone() {
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialPort::clearBuffers() {
    if (m_port.isOpen())
        m_port.clear(QSerialPort::AllDirections);
}

int QtSerialPort::write(const QByteArray& bytes) {
    if (!m_port.isOpen())
        return PortError::PortNotOpen;
    return m_port.write(bytes) == bytes.size() ? PortError::None : PortError::CannotOpen;
}
