#include "ReportPeriods.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

QString iso(qint64 ms, const QTimeZone& zone) {
    return QDateTime::fromMSecsSinceEpoch(ms, zone).toString(Qt::ISODate);
}

// Berlin's 2026 daylight-saving days: 29 March has 23 hours, 25 October 25,
// its hour from 02:00 coming twice with two offsets.
TEST(ReportPeriods, LocalCalendar) {
    const QTimeZone berlin("Europe/Berlin");
    const std::tuple<PeriodKind, QDate, QDate, int, int, const char*, const char*> cases[] = {
        {PeriodKind::Hour,
         {2026, 3, 29},
         {2026, 3, 29},
         23,
         2,
         "2026-03-29T03:00:00+02:00",
         "2026-03-30T00:00:00+02:00"},
        {PeriodKind::Hour,
         {2026, 10, 25},
         {2026, 10, 25},
         25,
         2,
         "2026-10-25T02:00:00+02:00",
         "2026-10-26T00:00:00+01:00"},
        {PeriodKind::Hour,
         {2026, 10, 25},
         {2026, 10, 25},
         25,
         3,
         "2026-10-25T02:00:00+01:00",
         "2026-10-26T00:00:00+01:00"},
        {PeriodKind::Day,
         {2026, 10, 24},
         {2026, 10, 26},
         3,
         1,
         "2026-10-25T00:00:00+02:00",
         "2026-10-27T00:00:00+01:00"},
        {PeriodKind::Week,
         {2026, 10, 21},
         {2026, 10, 21},
         1,
         0,
         "2026-10-19T00:00:00+02:00",
         "2026-10-26T00:00:00+01:00"},
        {PeriodKind::Month,
         {2026, 10, 25},
         {2026, 11, 2},
         2,
         1,
         "2026-11-01T00:00:00+01:00",
         "2026-12-01T00:00:00+01:00"},
        {PeriodKind::Day, {2026, 10, 2}, {2026, 10, 1}, -1, 0, "", ""},
    };
    for (const auto& [kind, from, to, count, index, start, end] : cases) {
        const QList<qint64> bounds = ReportPeriods::boundaries(kind, from, to, berlin);
        ASSERT_EQ(bounds.size() - 1, count) << qPrintable(from.toString(Qt::ISODate));
        if (count > 0) {
            EXPECT_EQ(iso(bounds[index], berlin), start);
            EXPECT_EQ(iso(bounds.last(), berlin), end);
        }
    }
}

} // namespace
