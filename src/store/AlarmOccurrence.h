#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// One alarm of one meter, from when it came to when it went, as the
// journal keeps it. Times are ms since 1970 UTC.
struct AlarmOccurrence {
    qint64 id = 0;
    int line = 1;
    int address = 0;
    QString alarm; // "Empty Pipe Alarm", ..., "No Reply"
    qint64 came = 0;
    std::optional<qint64> went; // nullopt while it lasts
    std::optional<qint64> acknowledgedAt;
    std::optional<int> acknowledgedBy; // the access level: 0 none, 1 basic, 2 full

    bool operator==(const AlarmOccurrence&) const = default;
};
