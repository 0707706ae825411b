#include "Broker.h"

#include <QFile>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

bool Broker::makeCertificates(const QString& dir) {
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    const auto run = [&](const QString& name, const QStringList& more) {
        QProcess process;
        process.setWorkingDirectory(dir);
        process.start(openssl,
                      QStringList{"req", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout",
                                  name + ".key", "-out", name + ".crt", "-subj", "/CN=" + name} +
                          more);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    };
    return !openssl.isEmpty() && run("ca", {"-x509"}) && run("other", {"-x509"}) &&
           run("server",
               {"-CA", "ca.crt", "-CAkey", "ca.key", "-addext", "subjectAltName=IP:127.0.0.1"});
}

QString Broker::serverProgram(const QString& name) {
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : found;
}

QString Broker::program() {
    return serverProgram(QStringLiteral("mosquitto"));
}

int Broker::freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

Broker::Broker(const Options& options) : m_port(freePort()) {
    QStringList config{
        QStringLiteral("listener %1 127.0.0.1").arg(m_port),
        // Queued messages for an absent subscriber are never dropped.
        "max_queued_messages 0",
        "max_inflight_messages 0",
    };
    // Run as root, it would otherwise become the mosquitto user, who may
    // not write in this folder.
    if (::geteuid() == 0)
        config << "user root";
    config << QStringLiteral("allow_anonymous ") + (options.user.isEmpty() ? "true" : "false");
    if (!options.user.isEmpty()) {
        config << QStringLiteral("password_file %1").arg(m_dir.filePath("passwords"));
        QProcess::execute(
            serverProgram(QStringLiteral("mosquitto_passwd")),
            {"-b", "-c", m_dir.filePath("passwords"), options.user, options.password});
    }
    if (options.persistent)
        config << "persistence true"
               << "persistence_location " + m_dir.path() + '/';
    if (options.tls && makeCertificates(m_dir.path())) {
        m_tlsPort = freePort();
        config << QStringLiteral("listener %1 127.0.0.1").arg(m_tlsPort) << "cafile " + caFile()
               << "certfile " + m_dir.filePath("server.crt")
               << "keyfile " + m_dir.filePath("server.key");
    }
    QFile file(m_dir.filePath("broker.conf"));
    if (file.open(QIODevice::WriteOnly))
        file.write((config.join('\n') + '\n').toUtf8());
}

Broker::~Broker() {
    stop();
}

// Ends it the way a service manager does; a persistent one saves its sessions.
void Broker::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

bool Broker::start() {
    if (program().isEmpty() || m_port == 0)
        return false;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program(), {"-c", m_dir.filePath("broker.conf")});
    // It says it runs once every listener listens.
    QByteArray said;
    while (!said.contains(" running") && m_process.waitForReadyRead(10000))
        said += m_process.readAll();
    return said.contains(" running");
}
