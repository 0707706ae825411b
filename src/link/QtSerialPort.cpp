#include "QtSerialPort.h"

#include "PortError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

QtSerialPort::QtSerialPort(PortLocator locator, QObject* parent)
    : SerialPort(parent), m_locator(std::move(locator)) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QString QtSerialPort::description() const {
    const QString port = QStringLiteral("com%1").arg(m_portNumber);
    return m_device.isEmpty() ? port : port + QStringLiteral(" -> ") + m_device;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        if (m_port.isOpen())
            dropLine();
        break;
    default:
        break;
    }
}

void QtSerialPort::dropLine() {
    m_port.close();
    emit lost();
}

QByteArray QtSerialPort::readAll() {
    QByteArray bytes = m_port.readAll();
    // A hung-up line reads as nothing, ready forever: without this check
    // the event loop would spin on it.
    if (bytes.isEmpty() && m_port.isOpen()) {
        pollfd p{m_port.handle(), POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            dropLine();
    }
    return bytes;
}

int QtSerialPort::open() {
    if (m_port.isOpen())
        return PortError::PortBusy;
    const QString device = m_locator.devicePath(m_portNumber);
    if (device.isEmpty())
        return PortError::NoSuchPort;
    m_port.setPortName(device);
    m_pseudoTerminal = QFileInfo(device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
    m_device = device;
    if (!m_port.open(QIODevice::ReadWrite))
        return openFailure(m_port.error(), device);
    // The lock is on the device, not the name: another ports/comN link to
    // the same device meets it too. Released when the descriptor closes.
    if (::flock(m_port.handle(), LOCK_EX | LOCK_NB) != 0) {
        m_port.close();
        return PortError::PortBusy;
    }
    applySettings();
    return PortError::None;
}

int QtSerialPort::openFailure(QSerialPort::SerialPortError error, const QString& device) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortError::NoSuchPort;
    case QSerialPort::PermissionError:
        // Qt says "permission" both for a device this user may not open
        // and for one that another program holds (its lock, or exclusive
        // use); the device's own rights tell them apart.
        return ::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK,
                           AT_EACCESS) == 0
                   ? PortError::PortBusy
                   : PortError::NoPermission;
    case QSerialPort::OpenError:
        return PortError::PortBusy;
    default:
        return PortError::CannotOpen;
    }
}

void QtSerialPort::close() {
    if (!m_port.isOpen())
        return;
    // A write is often followed at once by a close and a reopen with other
    // settings; the frame must be on the line before the port goes.
    drainOutput();
    m_port.close();
}

void QtSerialPort::drainOutput() {
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(200);
    // Then what the driver still holds, bounded by its line time so a line
    // that takes nothing cannot hang the tool.
    const int fd = m_port.handle();
    int pending = 0;
    if (fd < 0 || ::ioctl(fd, TIOCOUTQ, &pending) != 0 || pending <= 0)
        return;
    const qint64 limitMs = qint64(pending) * 10 * 1000 / std::max(m_settings.baud, 1) + 20;
    QElapsedTimer waited;
    waited.start();
    while (pending > 0 && waited.elapsed() < limitMs) {
        QThread::usleep(500);
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0)
            break;
    }
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
    // A pseudo-terminal has no parity bit to set, and Linux may refuse the
    // setting there; only a real line must take it.
    ok = (m_port.setParity(parity) || m_pseudoTerminal) && ok;
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
    if (m_port.write(bytes) == bytes.size())
        return PortError::None;
    // A device that refuses a write is gone; writing on would only fail
    // again, thousands of times a second.
    if (m_port.isOpen())
        dropLine();
    return PortError::PortNotOpen;
}
