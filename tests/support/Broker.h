#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A mosquitto broker of a test's own on 127.0.0.1 and a free port, with a
// configuration written for it. Tests skip when mosquitto is missing.
class Broker {
public:
    struct Options {
        bool persistence = false;
        // A user the broker knows; anyone else is refused.
        QString user;
        QString password;
    };

    // The broker's program, searched in PATH and the sbin folders; empty
    // when it is not installed.
    static QString program();
    static QString skipReason() {
        return QStringLiteral("mosquitto is not installed (Debian package mosquitto)");
    }
    // A port nobody listens on at the moment.
    static int freePort();

    Broker() : Broker(Options()) {}
    explicit Broker(const Options& options);
    ~Broker();

    // Starts it (again, on the same port and persistence); true once it listens.
    bool start();
    // Ends it the way a service manager does, letting it save its state.
    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    int port() const { return m_port; }
    QString log() const;

private:
    Options m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
