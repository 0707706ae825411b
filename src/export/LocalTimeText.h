#pragma once

#include <QByteArray>
#include <QTimeZone>
#include <optional>
#include <string>
#include <string_view>

// Stored times ("2026-12-06 14:05:00", local time) as ISO 8601 local time
// with its offset from UTC ("2026-12-06T14:05:00+01:00"). The offset is
// looked up once per hour of stored time, not per row: exports write
// millions of rows, oldest first. A local time that a change back from
// summer time makes occur twice is stored without saying which one it was;
// it gets the offset the time zone rules give it first.
class LocalTimeText {
public:
    // `zone` nullopt: the system's local time, as the times were stored.
    explicit LocalTimeText(std::optional<QTimeZone> zone = std::nullopt);

    // Appends the ISO text of a stored time; false, appending nothing, for
    // a text that is not a stored time.
    bool append(std::string_view stored, std::string& out);

    // The offset from UTC of a local date and time, "+01:00" or "-03:30".
    QByteArray offsetText(const QDate& date, const QTime& time) const;

private:
    std::optional<QTimeZone> m_zone;
    // The hour ("yyyy-MM-dd HH") whose offset is known, and that offset;
    // empty when the offset changes inside that hour.
    std::string m_hour;
    QByteArray m_hourOffset;
};
