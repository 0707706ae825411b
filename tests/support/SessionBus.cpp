#include "SessionBus.h"

#include <QStandardPaths>

QString SessionBus::program() {
    return QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
}

SessionBus::SessionBus() {
    if (program().isEmpty())
        return;
    m_daemon.start(program(), {"--session", "--nofork", "--print-address"});
    if (m_daemon.waitForReadyRead(5000))
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

SessionBus::~SessionBus() {
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}
