#pragma once

#include <QString>

// A listening TCP socket, as a serial device server offers its bus on the
// network. Connections are taken without blocking.
class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Port 0 picks a free one; address() tells which.
    bool listen(const QString& host, int port, QString* error);
    void close();

    int fd() const { return m_fd; }
    // "HOST:PORT" as bound, an IPv6 host in brackets.
    QString address() const { return m_address; }

    // A waiting connection's descriptor, non-blocking; -1 when none waits.
    int accept();

private:
    int m_fd = -1;
    QString m_address;
};
