#include "Topics.h"

#include <QSysInfo>

namespace {

// Wildcards are for subscribers; a published topic must not hold them.
bool hasWildcard(const QString& text) {
    return text.contains(QLatin1Char('+')) || text.contains(QLatin1Char('#')) ||
           text.contains(QChar(0));
}

} // namespace

QString Topics::problem(const PublishSettings& settings) {
    const QString host = settings.host.trimmed();
    if (host.isEmpty() || host.contains(QLatin1Char(' ')))
        return QStringLiteral("the broker's host is missing");
    if (settings.port < 1 || settings.port > 65535)
        return QStringLiteral("the port must be 1 to 65535");
    if (settings.qos != 0 && settings.qos != 1)
        return QStringLiteral("QoS must be 0 or 1");
    const QString& prefix = settings.topicPrefix;
    if (prefix.isEmpty() || hasWildcard(prefix) || prefix.startsWith(QLatin1Char('/')) ||
        prefix.endsWith(QLatin1Char('/')) || prefix.contains(QLatin1String("//")))
        return QStringLiteral("the topic prefix must be levels like plant/rx7100, "
                              "without + or #");
    if (hasWildcard(settings.station) || settings.station.contains(QLatin1Char('/')))
        return QStringLiteral("the station must be one topic level, without /, + or #");
    if (settings.username.isEmpty() && !settings.password.isEmpty())
        return QStringLiteral("a password needs a user name");
    return {};
}

QString Topics::stationName(const QString& configured) {
    if (!configured.isEmpty())
        return configured;
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

Topics::Topics(const PublishSettings& settings)
    : m_station(stationName(settings.station)),
      m_base(settings.topicPrefix.toUtf8() + '/' + m_station.toUtf8()) {}

QByteArray Topics::meter(int line, int address) const {
    return m_base + "/line/" + QByteArray::number(line) + "/meter/" + QByteArray::number(address);
}

QByteArray Topics::reading(int line, int address) const {
    return meter(line, address) + "/reading";
}

QByteArray Topics::meterStatus(int line, int address) const {
    return meter(line, address) + "/status";
}

QByteArray Topics::dayConsumption(int line, int address) const {
    return meter(line, address) + "/consumption/day";
}

QByteArray Topics::alarm(int line, int address) const {
    return meter(line, address) + "/alarm";
}
