#include "GatewayPort.h"

#include "PortError.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

GatewayPort::GatewayPort(Target target, QObject* parent)
    : SerialPort(parent), m_target(std::move(target)), m_socket(this), m_connectTimer(this),
      m_pauseTimer(this) {
    m_connectTimer.setSingleShot(true);
    m_pauseTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("did not take the connection within %1 ms")
                 .arg(m_target.connectTimeout.count()));
    });
    connect(&m_pauseTimer, &QTimer::timeout, this, [this] {
        m_state = State::Open;
        emit opened();
    });
    connect(&m_socket, &QTcpSocket::connected, this, &GatewayPort::onConnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &GatewayPort::onError);
    connect(&m_socket, &QTcpSocket::readyRead, this, &GatewayPort::onReadyRead);
}

int GatewayPort::open() {
    close();
    if (m_target.host.isEmpty() || m_target.port == 0)
        return PortError::NoSuchPort;
    m_cause.clear();
    m_state = State::Connecting;
    m_connectTimer.start(m_target.connectTimeout);
    m_socket.connectToHost(m_target.host, m_target.port);
    return PortError::None;
}

void GatewayPort::close() {
    m_connectTimer.stop();
    m_pauseTimer.stop();
    m_state = State::Closed;
    // Never a wait for unsent bytes: a request to a box that is gone is
    // worth nothing.
    m_socket.abort();
    m_received.clear();
    m_mbap.clear();
}

void GatewayPort::onConnected() {
    m_connectTimer.stop();
    // Small requests, one at a time: each goes out at once.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_target.connectPause.count() > 0) {
        m_state = State::Pausing;
        m_pauseTimer.start(m_target.connectPause);
        return;
    }
    m_state = State::Open;
    emit opened();
}

void GatewayPort::onError(QAbstractSocket::SocketError error) {
    if (m_state == State::Closed)
        return;
    fail(causeOf(error, m_socket.errorString()));
}

QString GatewayPort::causeOf(QAbstractSocket::SocketError error, const QString& errorText) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("refused the connection");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("cannot be found: the host name does not resolve");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("closed the connection");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("did not answer in time");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("cannot be reached: %1").arg(errorText);
    default:
        return QStringLiteral("failed: %1").arg(errorText);
    }
}

void GatewayPort::fail(const QString& cause) {
    close();
    m_cause = cause;
    emit lost();
}

int GatewayPort::setLineSettings(const QString& settings) {
    if (!LineSettings::parse(settings))
        return PortError::InvalidLineSettings;
    m_settingsText = settings;
    return PortError::None;
}

void GatewayPort::clearBuffers() {
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.readAll();
    m_received.clear();
}

int GatewayPort::write(const QByteArray& bytes) {
    if (m_state != State::Open)
        return PortError::PortNotOpen;
    const QByteArray frame = m_target.framing == Framing::ModbusTcp ? m_mbap.wrap(bytes) : bytes;
    if (frame.isEmpty() || m_socket.write(frame) != frame.size())
        return PortError::PortNotOpen;
    return PortError::None;
}

void GatewayPort::takeArrived() {
    if (m_state == State::Closed)
        return;
    const QByteArray bytes = m_socket.readAll();
    if (bytes.isEmpty())
        return;
    // A box that sends a reply in pieces with Nagle on holds each further
    // piece until the last is acknowledged, and Linux delays that ACK by up
    // to 40 ms while it waits for our next request to carry it. Asking for
    // it now sends it at once; the kernel drops the wish after a while, so
    // it is asked again on every arrival.
    const int quick = 1;
    ::setsockopt(int(m_socket.socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
    if (m_target.framing == Framing::Rtu) {
        m_received.append(bytes);
        return;
    }
    const MbapFraming::Received received = m_mbap.receive(bytes);
    m_received.append(received.frames);
    for (int i = 0; i < received.stale; ++i)
        emit staleReply();
    for (int i = 0; i < received.garbled; ++i)
        emit garbledReply();
    for (int code : received.exceptions)
        emit exceptionReply(code);
}

void GatewayPort::onReadyRead() {
    takeArrived();
    if (!m_received.isEmpty())
        emit bytesArrived();
}

QByteArray GatewayPort::readAll() {
    takeArrived();
    return std::exchange(m_received, {});
}

QString GatewayPort::description() const {
    return QStringLiteral("%1:%2").arg(m_target.host).arg(m_target.port);
}

QString GatewayPort::lossText() const {
    return QStringLiteral("Gateway %1 %2")
        .arg(description(), m_cause.isEmpty() ? QStringLiteral("lost") : m_cause);
}

QString GatewayPort::returnText() const {
    return QStringLiteral("Gateway %1 is back").arg(description());
}
