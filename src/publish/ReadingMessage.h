#pragma once

#include "Reading.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <optional>

// The JSON texts that carry readings to the broker. Numbers go out as the
// very digits the store keeps ("12.30" stays 12.30, a total of
// 4294967295.25 loses nothing to a double), texts as stored, and a value
// the meter has not given (empty or absent) as null.
class ReadingMessage {
public:
    // One reading: {"line":1,"line_name":"Pump house","meter":1,
    // "time":"2026-12-06T10:11:12+01:00","flow_rate":12.34,...,
    // "alarms":"Communication OK"}.
    static QByteArray json(const Reading& reading, const QString& lineName);
    // A history snapshot: the rows copied, as an array of the above.
    static QByteArray snapshotJson(const QList<Reading>& rows,
                                   const QHash<int, QString>& lineNames);
    // An alarm that came, went or was acknowledged: {"line":1,"line_name":
    // "Pump house","meter":2,"alarm":"Empty Pipe Alarm","event":"came",
    // "time":"2026-12-06T10:11:12+01:00"}, with "level" when acknowledged.
    static QByteArray alarmJson(int line, const QString& lineName, int address,
                                const QString& alarm, const QString& event, const QDateTime& time,
                                std::optional<int> level);

    // ISO 8601 to the second with the offset from UTC, "+01:00"; empty for
    // no time.
    static QByteArray timeText(const QDateTime& time);
    // Whether a stored text is a JSON number as it stands.
    static bool isJsonNumber(const QString& text);

private:
    static void append(QByteArray& out, const Reading& reading, const QString& lineName);
};
