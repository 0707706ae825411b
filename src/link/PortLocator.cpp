#include "PortLocator.h"

#include <QDir>
#include <QFileInfo>

PortLocator::PortLocator(const QString& programDir)
    : m_patterns{QDir(programDir).filePath(QStringLiteral("ports/com%1")),
                 QStringLiteral("/dev/ttyUSB%2"), QStringLiteral("/dev/ttyS%2")} {}

std::optional<int> PortLocator::numberFor(const QString& storedPort) {
    if (storedPort.startsWith(QLatin1Char('/')))
        return FirstPort;
    bool isNumber = false;
    const int number = storedPort.toInt(&isNumber);
    if (!isNumber || number < FirstPort || number > LastPort)
        return std::nullopt;
    return number;
}

PortLocator::PortLocator(QStringList patterns) : m_patterns(std::move(patterns)) {}

QString PortLocator::devicePath(int portNumber) const {
    if (portNumber < FirstPort || portNumber > LastPort)
        return {};
    for (const QString& pattern : m_patterns) {
        const QString path = QString(pattern)
                                 .replace(QLatin1String("%1"), QString::number(portNumber))
                                 .replace(QLatin1String("%2"), QString::number(portNumber - 1));
        // A link that points at nothing is a device that is away: it is
        // still this port's device, never a reason to take the next one.
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink())
            return path;
    }
    return {};
}
