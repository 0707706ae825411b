#include "Broker.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

QString sbinProgram(const QString& name) {
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/local/sbin"});
    return found;
}

// A test authority, a server certificate from it for 127.0.0.1, and a
// second authority that signed nothing, all in `dir`.
bool makeCertificates(const QDir& dir) {
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        return false;
    const auto run = [&](const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(openssl, arguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    };
    QFile extension(dir.filePath("server.ext"));
    if (!extension.open(QIODevice::WriteOnly))
        return false;
    extension.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    extension.close();
    return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
                "ca.crt", "-days", "2", "-subj", "/CN=rx7100 test authority"}) &&
           run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "other.key", "-out",
                "other.crt", "-days", "2", "-subj", "/CN=another authority"}) &&
           run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
                "server.csr", "-subj", "/CN=127.0.0.1"}) &&
           run({"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                "-CAcreateserial", "-out", "server.crt", "-days", "2", "-extfile", "server.ext"});
}

} // namespace

QString Broker::program() {
    return sbinProgram(QStringLiteral("mosquitto"));
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

Broker::Broker(const Options& options) : m_options(options), m_port(freePort()) {
    const QDir dir(m_dir.path());
    QStringList config{
        QStringLiteral("listener %1 127.0.0.1").arg(m_port),
        QStringLiteral("log_dest file %1").arg(dir.filePath("broker.log")),
        "log_type error",
        "log_type warning",
        "log_type notice",
        // Queued messages for an absent subscriber are never dropped.
        "max_queued_messages 0",
        "max_inflight_messages 0",
    };
    // Run as root, it would otherwise become the mosquitto user, who may
    // not write in this folder.
    if (::geteuid() == 0)
        config << "user root";
    if (m_options.persistence)
        config << "persistence true"
               << QStringLiteral("persistence_location %1/").arg(m_dir.path());
    if (m_options.user.isEmpty()) {
        config << "allow_anonymous true";
    } else {
        config << "allow_anonymous false"
               << QStringLiteral("password_file %1").arg(dir.filePath("passwords"));
        QProcess::execute(
            sbinProgram(QStringLiteral("mosquitto_passwd")),
            {"-b", "-c", dir.filePath("passwords"), m_options.user, m_options.password});
    }
    if (m_options.tls && makeCertificates(dir)) {
        m_tlsPort = freePort();
        config << QStringLiteral("listener %1 127.0.0.1").arg(m_tlsPort)
               << QStringLiteral("cafile %1").arg(dir.filePath("ca.crt"))
               << QStringLiteral("certfile %1").arg(dir.filePath("server.crt"))
               << QStringLiteral("keyfile %1").arg(dir.filePath("server.key"));
    }
    QFile file(dir.filePath("broker.conf"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Text))
        file.write((config.join('\n') + '\n').toUtf8());
}

Broker::~Broker() {
    stop();
}

bool Broker::start() {
    if (program().isEmpty() || m_port == 0)
        return false;
    // Its complaints (running as root, for one) go to its folder.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(QDir(m_dir.path()).filePath("broker.out"), QIODevice::Append);
    m_process.start(program(), {"-c", QDir(m_dir.path()).filePath("broker.conf")});
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (listening(m_port))
            return true;
        if (m_process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return false;
}

void Broker::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QString Broker::caFile() const {
    return QDir(m_dir.path()).filePath("ca.crt");
}

QString Broker::otherCaFile() const {
    return QDir(m_dir.path()).filePath("other.crt");
}

QString Broker::log() const {
    QFile file(QDir(m_dir.path()).filePath("broker.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
