#include "LineEntry.h"

#include "LineOption.h"
#include "LineSettingsEntry.h"
#include "PortLocator.h"
#include "WholeNumber.h"

LineEntry LineEntry::of(const StoredLine& line, const QList<int>& meters) {
    StoredLine serial = line;
    serial.transport = StoredLine::Transport::Serial;
    return {line.name,
            line.port.isEmpty() ? QString() : serial.portText(),
            line.baud,
            LineSettingsEntry::parityText(QString::number(line.parity)),
            QString::number(line.pollPeriod),
            QString::number(line.replyTimeout),
            meterText(meters),
            StoredLine::transportName(line.transport),
            line.host,
            line.tcpPort > 0 ? QString::number(line.tcpPort) : QString(),
            QString::number(line.connectTimeout),
            QString::number(line.requestGap),
            QString::number(line.connectPause)};
}

std::optional<StoredLine::Transport> LineEntry::transportOf(const QString& name) {
    for (StoredLine::Transport transport :
         {StoredLine::Transport::Serial, StoredLine::Transport::RtuOverTcp,
          StoredLine::Transport::ModbusTcp})
        if (name == StoredLine::transportName(transport))
            return transport;
    return std::nullopt;
}

QString LineEntry::meterText(const QList<int>& meters) {
    QStringList runs;
    for (qsizetype first = 0, last = 0; first < meters.size(); first = ++last) {
        while (last + 1 < meters.size() && meters[last + 1] == meters[last] + 1)
            ++last;
        runs << (last == first ? QString::number(meters[first])
                               : QStringLiteral("%1-%2").arg(meters[first]).arg(meters[last]));
    }
    return runs.join(QLatin1Char(','));
}

std::optional<StartingDatabase::Line> LineEntry::parse(int number, QString* notice) const {
    StartingDatabase::Line line;
    line.settings.number = number;
    line.settings.name =
        name.trimmed().isEmpty() ? StoredLine::defaultName(number) : name.trimmed();
    const auto refuse = [notice](const QString& why) {
        *notice = QStringLiteral("Notice:Invalid line: ") + why;
        return std::nullopt;
    };
    const std::optional<StoredLine::Transport> chosen = transportOf(transport);
    const bool gateway = chosen && *chosen != StoredLine::Transport::Serial;
    QList<std::pair<const char*, QString>> fields{
        {"transport", chosen ? StoredLine::transportText(*chosen) : transport}};
    if (gateway) {
        // Left empty, the line's rules say what is missing or fill it in.
        for (const auto& [key, text] : {std::pair{"host", host}, {"tcp-port", tcpPort}})
            if (!text.trimmed().isEmpty())
                fields.append({key, text});
        fields.append(
            {{"connect-timeout", connectTimeout}, {"gap", gap}, {"connect-pause", connectPause}});
    } else {
        fields.append({"port", port});
    }
    fields.append({{"baud", baud},
                   {"parity", parity.toLower()},
                   {"period", period},
                   {"timeout", timeout},
                   {"meters", meters}});
    // A ';' typed in a field must not pass for another key.
    QStringList keys;
    for (const auto& [key, text] : fields) {
        if (text.contains(QLatin1Char(';')))
            return refuse(QStringLiteral("%1 \"%2\" holds a ';'").arg(QLatin1String(key), text));
        keys << QLatin1String(key) + QLatin1Char('=') + text;
    }
    QString error;
    std::optional<StartingDatabase::Line> parsed =
        LineOption::parse(keys.join(QLatin1Char(';')), line, &error);
    if (!parsed)
        return refuse(error);
    line = std::move(*parsed);
    if (gateway)
        return line;
    // What the station can open: a device path, or a number the port lookup
    // knows; line 1's port is kept as a number only.
    const std::optional<int> com = WholeNumber::parse(line.settings.port);
    if (com ? *com > PortLocator::LastPort : number == 1) {
        const QString ports =
            QStringLiteral("com%1 to com%2").arg(PortLocator::FirstPort).arg(PortLocator::LastPort);
        return refuse(
            number == 1
                ? QStringLiteral("port \"%1\" of line 1 is none of %2").arg(port, ports)
                : QStringLiteral("port \"%1\" is neither %2 nor a device path").arg(port, ports));
    }
    return line;
}
