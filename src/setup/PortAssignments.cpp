#include "PortAssignments.h"

#include "PortLocator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString portName(int portNumber) {
    return QStringLiteral("com%1").arg(portNumber);
}

bool mayOpen(const QString& device) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) ==
           0;
}

} // namespace

PortAssignments::PortAssignments(QString folder) : m_folder(std::move(folder)) {}

QList<PortAssignments::Row> PortAssignments::rows(const QList<SerialDevice>& devices) const {
    const PortLocator locator(m_folder);
    QStringList found; // the device behind each number, as the tool opens it
    for (int n = FirstPort; n <= LastPort; ++n)
        found << QFileInfo(locator.devicePath(n)).canonicalFilePath();

    QList<Row> rows;
    for (const SerialDevice& device : devices) {
        Row row{device, {}, mayOpen(device.path)};
        const QString target = QFileInfo(device.path).canonicalFilePath();
        for (int n = FirstPort; n <= LastPort; ++n) {
            if (!target.isEmpty() && found[n - FirstPort] == target)
                row.ports << portName(n);
        }
        rows << row;
    }
    return rows;
}

QString PortAssignments::linkPath(int portNumber) const {
    return QDir(m_folder).filePath(QStringLiteral("ports/") + portName(portNumber));
}

QString PortAssignments::linkTarget(int portNumber) const {
    return QFileInfo(linkPath(portNumber)).symLinkTarget();
}

bool PortAssignments::checkReplaceable(int portNumber, QString* error) const {
    if (portNumber < FirstPort || portNumber > LastPort) {
        *error = QStringLiteral("There is no port %1.").arg(portName(portNumber));
        return false;
    }
    const QFileInfo link(linkPath(portNumber));
    // exists() follows the link; a link to a vanished device is still one.
    if ((link.exists() || link.isSymLink()) && !link.isSymLink()) {
        *error = QStringLiteral("%1 is not a link; move it away first.").arg(link.filePath());
        return false;
    }
    return true;
}

bool PortAssignments::assign(const SerialDevice& device, int portNumber, QString* error) {
    if (!checkReplaceable(portNumber, error))
        return false;
    const QString target = device.stableName.isEmpty() ? device.path : device.stableName;
    if (target.isEmpty()) {
        *error = QStringLiteral("No device chosen.");
        return false;
    }
    if (!QDir(m_folder).mkpath(QStringLiteral("ports"))) {
        *error = QStringLiteral("Cannot make %1.").arg(QDir(m_folder).filePath("ports"));
        return false;
    }
    // A new link under a passing name, then renamed over the old one: the
    // number never leads nowhere, nor to a half-made link.
    const QString path = linkPath(portNumber);
    const QString fresh = path + QStringLiteral(".new");
    const QByteArray freshName = QFile::encodeName(fresh);
    ::unlink(freshName.constData());
    if (::symlink(QFile::encodeName(target).constData(), freshName.constData()) != 0 ||
        ::rename(freshName.constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("Cannot link %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(freshName.constData());
        return false;
    }
    return true;
}

bool PortAssignments::release(int portNumber, QString* error) {
    if (!checkReplaceable(portNumber, error))
        return false;
    const QString path = linkPath(portNumber);
    if (QFileInfo(path).isSymLink() && !QFile::remove(path)) {
        *error = QStringLiteral("Cannot remove %1.").arg(path);
        return false;
    }
    return true;
}
