#pragma once

#include <QByteArray>
#include <QString>

// One connection to the simulated device server; closes its descriptor.
class TcpLink {
public:
    explicit TcpLink(int fd);
    ~TcpLink();
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    int fd() const { return m_fd; }
    // "HOST:PORT" of the other end, for messages.
    QString peer() const { return m_peer; }

    // Everything waiting to be read; `closed` is set when the peer has
    // gone or the connection failed.
    QByteArray readAvailable(bool* closed);
    // Writes without blocking; what the connection cannot take now is lost,
    // as from a device server whose client stopped reading.
    void write(const QByteArray& bytes);

private:
    int m_fd = -1;
    QString m_peer;
};
