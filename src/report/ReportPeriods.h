#pragma once

#include <QDate>
#include <QList>
#include <QTimeZone>

enum class PeriodKind { Hour, Day, Week, Month };

// The boundaries of a report's periods on a local calendar, as UTC
// milliseconds since the epoch: period i runs from boundary i up to, not
// including, boundary i + 1.
class ReportPeriods {
public:
    // The periods that cover the local dates from..to: hours and days as
    // they fall, weeks (ISO, from Monday) and months whole, so a week or a
    // month is never cut at the range's edge. Hours step by an hour of real
    // time, so a daylight-saving day has 23 or 25 of them and the repeated
    // hour comes twice. Empty when to is before from or the zone is invalid.
    static QList<qint64> boundaries(PeriodKind kind, QDate from, QDate to, const QTimeZone& zone);
};
