#include "LineOption.h"

#include "WholeNumber.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

constexpr int MaxAddress = 255;
constexpr int MaxPort = 255;
constexpr int MaxMilliseconds = 32767; // kept in 16 bits, as start-up reads them
constexpr int MaxTcpPort = 65535;

// Keys that only a gateway line takes.
const QStringList gatewayKeys{"host", "tcp-port", "connect-timeout", "gap", "connect-pause"};

// "1-3,7" as ascending addresses, each once; nullopt when any is bad.
std::optional<QList<int>> addressList(const QString& text) {
    QSet<int> addresses;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = item.split(QLatin1Char('-'));
        const std::optional<int> first = WholeNumber::parse(ends.first(), 1, MaxAddress);
        const std::optional<int> last = WholeNumber::parse(ends.last(), 1, MaxAddress);
        if (ends.size() > 2 || !first || !last || *first > *last)
            return std::nullopt;
        for (int address = *first; address <= *last; ++address)
            addresses.insert(address);
    }
    QList<int> sorted(addresses.begin(), addresses.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

// Applies one key's value; the reason it cannot otherwise.
QString apply(const QString& key, const QString& value, StartingDatabase::Line& line) {
    StoredLine& settings = line.settings;
    const auto whole = [&value](int* into, int min, int max = MaxMilliseconds) {
        const std::optional<int> number = WholeNumber::parse(value, min, max);
        if (number)
            *into = *number;
        return number ? QString()
                      : QStringLiteral("is no whole number from %1 to %2").arg(min).arg(max);
    };
    if (key == QLatin1String("name")) {
        if (value.isEmpty())
            return QStringLiteral("is empty");
        settings.name = value;
    } else if (key == QLatin1String("port")) {
        static const QRegularExpression com(QStringLiteral("^com(\\d+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = com.match(value);
        if (match.hasMatch() && WholeNumber::parse(match.captured(1), 1, MaxPort))
            settings.port = QString::number(*WholeNumber::parse(match.captured(1)));
        else if (value.startsWith(QLatin1Char('/')))
            settings.port = value;
        else
            return QStringLiteral("is neither comN (N from 1 to %1) nor a device path")
                .arg(MaxPort);
    } else if (key == QLatin1String("baud")) {
        const std::optional<int> baud = WholeNumber::parse(value, 1);
        if (!baud)
            return QStringLiteral("is no whole number above 0");
        settings.baud = QString::number(*baud);
    } else if (key == QLatin1String("parity")) {
        const QStringList parities{"none", "odd", "even"};
        if (!parities.contains(value))
            return QStringLiteral("is none of none, odd, even");
        settings.parity = int(parities.indexOf(value));
    } else if (key == QLatin1String("period")) {
        return whole(&settings.pollPeriod, 1);
    } else if (key == QLatin1String("timeout")) {
        return whole(&settings.replyTimeout, 1);
    } else if (key == QLatin1String("transport")) {
        const std::optional<StoredLine::Transport> transport = StoredLine::transportFrom(value);
        if (!transport)
            return QStringLiteral("is none of serial, rtu-tcp, modbus-tcp");
        settings.transport = *transport;
    } else if (key == QLatin1String("host")) {
        static const QRegularExpression unfit(QStringLiteral("[\\s/]"));
        if (value.isEmpty() || value.contains(unfit))
            return QStringLiteral("is no host name or address");
        settings.host = value;
    } else if (key == QLatin1String("tcp-port")) {
        return whole(&settings.tcpPort, 1, MaxTcpPort);
    } else if (key == QLatin1String("connect-timeout")) {
        return whole(&settings.connectTimeout, 1);
    } else if (key == QLatin1String("gap")) {
        return whole(&settings.requestGap, 0);
    } else if (key == QLatin1String("connect-pause")) {
        return whole(&settings.connectPause, 0);
    } else if (key == QLatin1String("meters")) {
        const std::optional<QList<int>> meters = addressList(value);
        if (!meters)
            return QStringLiteral("is no list of addresses from 1 to %1 such as 1-3,7")
                .arg(MaxAddress);
        line.meters = *meters;
    } else {
        return QStringLiteral("is no key (name, port, baud, parity, period, timeout, meters, "
                              "transport, %1)")
            .arg(gatewayKeys.join(QStringLiteral(", ")));
    }
    return {};
}

// The rules between keys, once every key is applied to `line`, which was
// `before`; the reason the line cannot be otherwise.
QString checkTransport(const StoredLine& before, const QStringList& given, StoredLine& line) {
    if (!line.isGateway()) {
        for (const QString& key : gatewayKeys)
            if (given.contains(key))
                return QStringLiteral("%1 is for a gateway line (transport=rtu-tcp or "
                                      "modbus-tcp)")
                    .arg(key);
        return {};
    }
    if (line.number == 1)
        return QStringLiteral("line 1 is the station's serial line: its transport is serial");
    if (given.contains(QStringLiteral("port")))
        return QStringLiteral("port is for a serial line; a gateway line has host and tcp-port");
    if (line.host.isEmpty())
        return QStringLiteral("host is needed for a gateway line");
    if (line.tcpPort == 0 && line.transport == StoredLine::Transport::ModbusTcp)
        line.tcpPort = StoredLine::ModbusTcpPort;
    if (line.tcpPort == 0)
        return QStringLiteral("tcp-port is needed for transport rtu-tcp");
    if (!before.isGateway()) {
        // The serial port it had is no longer its own, and a gateway answers later.
        line.port.clear();
        if (!given.contains(QStringLiteral("timeout")))
            line.replyTimeout = StoredLine::GatewayReplyTimeout;
    }
    return {};
}

} // namespace

std::optional<StartingDatabase::Line>
LineOption::parse(const QString& text, StartingDatabase::Line base, QString* error) {
    const StoredLine before = base.settings;
    QStringList given;
    for (const QString& item : text.split(QLatin1Char(';'))) {
        if (item.trimmed().isEmpty())
            continue;
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals < 0) {
            *error = QStringLiteral("\"%1\" is no key=value").arg(item.trimmed());
            return std::nullopt;
        }
        const QString key = item.left(equals).trimmed();
        const QString value = item.mid(equals + 1).trimmed();
        if (given.contains(key)) {
            *error = QStringLiteral("%1 is given twice").arg(key);
            return std::nullopt;
        }
        given << key;
        if (const QString reason = apply(key, value, base); !reason.isEmpty()) {
            *error = QStringLiteral("%1 \"%2\" %3").arg(key, value, reason);
            return std::nullopt;
        }
    }
    if (const QString reason = checkTransport(before, given, base.settings); !reason.isEmpty()) {
        *error = reason;
        return std::nullopt;
    }
    return base;
}
