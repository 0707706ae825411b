#include "ReadingMessage.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct Field {
    const char* key; // with its quotes, colon and the comma before it
    std::optional<QString> Reading::*value;
    bool number;
};

constexpr Field fields[] = {
    {",\"flow_rate\":", &Reading::flowRate, true},
    {",\"forward_total\":", &Reading::forwardTotal, true},
    {",\"reverse_total\":", &Reading::reverseTotal, true},
    {",\"flow_speed\":", &Reading::flowSpeed, true},
    {",\"span_percent\":", &Reading::spanPercentage, true},
    {",\"electrode_impedance\":", &Reading::electrodeImpedance, true},
    {",\"flow_rate_unit\":", &Reading::flowRateUnit, false},
    {",\"totalizer_unit\":", &Reading::totalizerUnit, false},
    {",\"alarms\":", &Reading::status, false},
};

void appendString(QByteArray& out, const QString& text) {
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace

bool ReadingMessage::isJsonNumber(const QString& text) {
    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto digit = [&text](qsizetype at) {
        return text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9');
    };
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < n && digit(i))
            ++i;
        return i > from;
    };
    if (i < n && text.at(i) == QLatin1Char('-'))
        ++i;
    if (i < n && text.at(i) == QLatin1Char('0'))
        ++i;
    else if (!digits())
        return false;
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

QByteArray ReadingMessage::timeText(const QDateTime& time) {
    if (!time.isValid())
        return {};
    // Plain digits: this runs for every reading, and the locale-aware
    // formatter costs more than the rest of the message.
    const QDate date = time.date();
    const QTime clock = time.time();
    const int offset = time.offsetFromUtc();
    const int offsetMinutes = std::abs(offset) / 60;
    char text[40];
    const int size =
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", date.year(),
                      date.month(), date.day(), clock.hour(), clock.minute(), clock.second(),
                      offset < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return QByteArray(text, size);
}

void ReadingMessage::append(QByteArray& out, const Reading& reading, const QString& lineName) {
    out += "{\"line\":";
    out += QByteArray::number(reading.line);
    out += ",\"line_name\":";
    appendString(out, lineName);
    out += ",\"meter\":";
    out += QByteArray::number(reading.address);
    out += ",\"time\":";
    const QByteArray time = timeText(reading.time);
    if (time.isEmpty())
        out += "null";
    else
        out += '"' + time + '"';
    for (const Field& field : fields) {
        out += field.key;
        const std::optional<QString>& value = reading.*field.value;
        if (!value || value->isEmpty() || (field.number && !isJsonNumber(*value)))
            out += "null";
        else if (field.number)
            out += value->toLatin1();
        else
            appendString(out, *value);
    }
    out += '}';
}

QByteArray ReadingMessage::json(const Reading& reading, const QString& lineName) {
    QByteArray out;
    out.reserve(360);
    append(out, reading, lineName);
    return out;
}

QByteArray ReadingMessage::snapshotJson(const QList<Reading>& rows,
                                        const QHash<int, QString>& lineNames) {
    QByteArray out;
    out.reserve(360 * rows.size() + 2);
    out += '[';
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            out += ',';
        append(out, rows[i], lineNames.value(rows[i].line));
    }
    out += ']';
    return out;
}

QByteArray ReadingMessage::alarmJson(int line, const QString& lineName, int address,
                                     const QString& alarm, const QString& event,
                                     const QDateTime& time, std::optional<int> level) {
    QByteArray out = "{\"line\":" + QByteArray::number(line) + ",\"line_name\":";
    appendString(out, lineName);
    out += ",\"meter\":" + QByteArray::number(address) + ",\"alarm\":";
    appendString(out, alarm);
    out += ",\"event\":";
    appendString(out, event);
    out += ",\"time\":\"" + timeText(time) + '"';
    if (level)
        out += ",\"level\":" + QByteArray::number(*level);
    return out + '}';
}
