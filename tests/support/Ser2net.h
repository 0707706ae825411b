#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's ser2net in front of a serial device, on 127.0.0.1 and a free
// port of its own: a transparent device server, RTU over TCP, as a gateway
// line meets one. Tests skip when ser2net is missing.
class Ser2net {
public:
    static QString program();
    static QString skipReason() {
        return QStringLiteral("ser2net is not installed (Debian package ser2net)");
    }

    Ser2net(const QString& device, int baud);
    ~Ser2net();

    // Starts it, on the same port each time; true once it takes connections.
    bool start();
    void stop();
    int port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port;
};
