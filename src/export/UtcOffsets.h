#pragma once

#include <QTimeZone>
#include <optional>

// Offsets from UTC of local clock times (stored times as clock seconds),
// looked up once per day: Qt's local-time conversion reads the zone again
// on every call, about 7 us when TZ is unset, and exports and charts ask
// for millions of rows and thousands of points. A day whose offset
// changes is looked up time by time. A local time that a change back from
// summer time makes occur twice gets the offset the zone's rules give it
// first; the stored text does not say which it was.
class UtcOffsets {
public:
    // `zone` nullopt: the system's local time, as the times were stored.
    explicit UtcOffsets(std::optional<QTimeZone> zone = std::nullopt);

    // Seconds to add to UTC to get the local clock time `clock`.
    int at(qint64 clock);
    // Milliseconds since the epoch of the local clock time `clock`.
    qint64 msecsSinceEpoch(qint64 clock) { return (clock - at(clock)) * 1000; }

private:
    int lookUp(qint64 clock) const;

    std::optional<QTimeZone> m_zone;
    qint64 m_day = -1;
    std::optional<int> m_dayOffset; // nullopt: the offset changes that day
};
