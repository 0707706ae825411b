#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A mosquitto broker of a test's own on 127.0.0.1 and a free port, with a
// configuration written for it. Tests skip when mosquitto is missing.
class Broker {
public:
    struct Options {
        // A user the broker knows; anyone else is refused.
        QString user;
        QString password;
        // A second listener, TLS only, certified by a test authority (needs openssl).
        bool tls = false;
        // Sessions and their queued messages survive a stop and a start.
        bool persistent = false;
    };

    // A server's program by name, also looked for in the sbin folders;
    // empty when not installed.
    static QString serverProgram(const QString& name);
    // mosquitto, so looked for.
    static QString program();
    static QString skipReason() {
        return QStringLiteral("mosquitto is not installed (Debian package mosquitto)");
    }
    // Two test authorities, ca and other (.crt, .key), and server.crt/.key
    // for 127.0.0.1 from the first, in `dir`; false without openssl.
    static bool makeCertificates(const QString& dir);
    // A port nobody listens on at the moment.
    static int freePort();

    Broker() : Broker(Options()) {}
    explicit Broker(const Options& options);
    ~Broker();

    // Starts it; true once it listens. Started again after stop(), it
    // listens on the same port.
    bool start();
    void stop();
    int port() const { return m_port; }
    // The TLS listener's port, the certificate of its authority and one of
    // another authority, which the broker's is not from.
    int tlsPort() const { return m_tlsPort; }
    QString caFile() const { return m_dir.filePath("ca.crt"); }
    QString otherCaFile() const { return m_dir.filePath("other.crt"); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    int m_tlsPort = 0;
};
