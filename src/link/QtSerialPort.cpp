#include "QtSerialPort.h"

#include "PortError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A reply's last piece may come a little after its line time: the timers on
// both ends of the line wake late by a fraction of a millisecond. Too
// short, and the read comes before the last piece and has to wait again.
constexpr std::chrono::microseconds HoldSlack = 100us;

bool hungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

} // namespace

QtSerialPort::QtSerialPort(PortLocator locator, QObject* parent)
    : SerialPort(parent), m_locator(std::move(locator)), m_port(this), m_hold(this) {
    // Only if Qt's port reads after all (see startReading): its bytes then
    // come first in readAll, so nothing is lost or reordered.
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&m_hold, &FineTimer::timeout, this, &QtSerialPort::holdOver);
}

QtSerialPort::~QtSerialPort() {
    stopReading();
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
    stopReading();
    m_port.close();
    emit lost();
}

void QtSerialPort::setPortNumber(int number) {
    // Another number is another device: reopen() must look it up first.
    if (number != m_portNumber)
        m_device.clear();
    m_portNumber = number;
}

int QtSerialPort::open() {
    if (m_port.isOpen())
        return PortError::PortBusy;
    const QString device = m_locator.devicePath(m_portNumber);
    if (device.isEmpty())
        return PortError::NoSuchPort;
    return openDevice(device);
}

int QtSerialPort::reopen() {
    if (m_device.isEmpty())
        return open();
    if (m_port.isOpen())
        return PortError::PortBusy;
    // Gone, or a link to nothing: the device is away, whatever else exists.
    if (!QFileInfo::exists(m_device))
        return PortError::NoSuchPort;
    return openDevice(m_device);
}

int QtSerialPort::openDevice(const QString& device) {
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
    startReading();
    return PortError::None;
}

void QtSerialPort::startReading() {
    // QSerialPort watches its descriptor with a read notifier of its own,
    // a child of the port; switched off, it leaves the bytes to us.
    for (QSocketNotifier* notifier : m_port.findChildren<QSocketNotifier*>())
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
    if (m_reader)
        return;
    // The descriptor is watched through an epoll set of its own: switching
    // a notifier off and on makes the event loop turn once more each time,
    // changing what the set watches does not.
    m_watch = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event watched{};
    watched.events = EPOLLIN;
    watched.data.fd = m_port.handle();
    if (m_watch >= 0 && ::epoll_ctl(m_watch, EPOLL_CTL_ADD, m_port.handle(), &watched) != 0) {
        ::close(m_watch);
        m_watch = -1;
    }
    m_listening = true;
    m_reader = std::make_unique<QSocketNotifier>(m_watch >= 0 ? m_watch : m_port.handle(),
                                                 QSocketNotifier::Read, this);
    connect(m_reader.get(), &QSocketNotifier::activated, this, &SerialPort::bytesArrived);
}

void QtSerialPort::stopReading() {
    m_hold.stop();
    m_reader.reset();
    if (m_watch >= 0)
        ::close(m_watch);
    m_watch = -1;
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
    stopReading();
    // A write is often followed at once by a close and a reopen with other
    // settings; the frame must be on the line before the port goes.
    drainOutput();
    m_port.close();
}

void QtSerialPort::listen(bool on) {
    if (!m_reader || on == m_listening)
        return;
    m_listening = on;
    if (m_watch < 0) {
        m_reader->setEnabled(on);
        return;
    }
    epoll_event watched{};
    watched.events = on ? std::uint32_t(EPOLLIN) : 0u;
    watched.data.fd = m_port.handle();
    ::epoll_ctl(m_watch, EPOLL_CTL_MOD, m_port.handle(), &watched);
}

void QtSerialPort::expectBytes(int count) {
    if (count > 0) {
        listen(false);
        m_hold.start(m_settings.characterTime(count) + HoldSlack);
        return;
    }
    m_hold.stop();
    listen(count == 0);
}

void QtSerialPort::holdOver() {
    // Listening again first: if nothing came, the next byte wakes us.
    listen(true);
    emit bytesArrived();
}

QByteArray QtSerialPort::readAll() {
    QByteArray bytes;
    if (m_port.bytesAvailable() > 0) {
        bytes = m_port.readAll();
        startReading(); // reading through Qt's port turns its notifier on again
    }
    const int fd = m_port.isOpen() ? m_port.handle() : -1;
    char chunk[512];
    while (fd >= 0) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, got);
            // A short read took all there was.
            if (got < ssize_t(sizeof chunk))
                break;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        // Qt's port reads with VMIN 0, so an empty line reads as 0 bytes; an
        // error or a hang-up means the device went away, and the line would
        // stay ready for ever: the event loop would spin on it.
        if ((got < 0 && errno != EAGAIN) || (got == 0 && bytes.isEmpty() && hungUp(fd)))
            dropLine();
        break;
    }
    return bytes;
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
    m_settingsText = m_settings.text();
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
    // Straight to the driver, which takes a frame whole; Qt's port would
    // keep it for a turn of the event loop first. What the driver cannot
    // take now, and anything behind bytes Qt still holds, goes through Qt.
    qsizetype done = 0;
    bool refused = false;
    if (m_port.bytesToWrite() == 0) {
        while (done < bytes.size()) {
            const ssize_t put =
                ::write(m_port.handle(), bytes.constData() + done, size_t(bytes.size() - done));
            if (put > 0)
                done += put;
            else if (!(put < 0 && errno == EINTR)) {
                refused = put < 0 && errno != EAGAIN;
                break;
            }
        }
    }
    if (done == bytes.size())
        return PortError::None;
    const QByteArray rest = bytes.mid(done);
    if (!refused && m_port.write(rest) == rest.size())
        return PortError::None;
    // A device that refuses a write is gone; writing on would only fail
    // again, thousands of times a second.
    if (m_port.isOpen())
        dropLine();
    return PortError::PortNotOpen;
}
