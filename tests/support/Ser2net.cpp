#include "Ser2net.h"

#include "Broker.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>
#include <QThread>

QString Ser2net::program() {
    return Broker::serverProgram(QStringLiteral("ser2net"));
}

Ser2net::Ser2net(const QString& device, int baud) : m_port(Broker::freePort()) {
    // `local`: no modem lines to wait for on a pseudo-terminal; a new
    // client takes the port from the last, as after a reconnect; bytes go
    // on as they come, as set up for Modbus (no waiting to gather more).
    const QString config = QStringLiteral("connection: &gateway\n"
                                          "    accepter: tcp,127.0.0.1,%1\n"
                                          "    connector: serialdev,%2,%3n81,local\n"
                                          "    options:\n"
                                          "      kickolduser: true\n"
                                          "      chardelay: false\n")
                               .arg(m_port)
                               .arg(device)
                               .arg(baud);
    QFile file(m_dir.filePath("ser2net.yaml"));
    if (file.open(QIODevice::WriteOnly))
        file.write(config.toUtf8());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

Ser2net::~Ser2net() {
    stop();
}

bool Ser2net::start() {
    if (program().isEmpty())
        return false;
    m_process.start(program(), {"-n", "-u", "-c", m_dir.filePath("ser2net.yaml"), "-P",
                                m_dir.filePath("ser2net.pid")});
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(m_port));
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(20);
    }
    return false;
}

void Ser2net::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}
