#include "ReportPeriods.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

// Berlin's 2026 daylight-saving days: 29 March has 23 hours, 25 October 25,
// its hour from 02:00 coming twice with two offsets.
TEST(ReportPeriods, LocalCalendar) {
    using enum PeriodKind;
    const QTimeZone berlin("Europe/Berlin");
    const std::tuple<PeriodKind, const char*, const char*, int, int, const char*> cases[] = {
        {Hour, "2026-03-29", "2026-03-29", 23, 2, "2026-03-29T03:00:00+02:00"},
        {Hour, "2026-10-25", "2026-10-25", 25, 2, "2026-10-25T02:00:00+02:00"},
        {Hour, "2026-10-25", "2026-10-25", 25, 3, "2026-10-25T02:00:00+01:00"},
        {Hour, "2026-10-25", "2026-10-25", 25, 25, "2026-10-26T00:00:00+01:00"},
        {Day, "2026-10-24", "2026-10-26", 3, 3, "2026-10-27T00:00:00+01:00"},
        {Week, "2026-10-21", "2026-10-21", 1, 0, "2026-10-19T00:00:00+02:00"},
        {Week, "2026-10-21", "2026-10-21", 1, 1, "2026-10-26T00:00:00+01:00"},
        {Month, "2026-10-25", "2026-11-02", 2, 1, "2026-11-01T00:00:00+01:00"},
        {Month, "2026-10-25", "2026-11-02", 2, 2, "2026-12-01T00:00:00+01:00"},
        {Day, "2026-10-02", "2026-10-01", -1, 0, ""},
    };
    for (const auto& [kind, from, to, count, index, boundary] : cases) {
        const QList<qint64> bounds = ReportPeriods::boundaries(
            kind, QDate::fromString(from, Qt::ISODate), QDate::fromString(to, Qt::ISODate), berlin);
        ASSERT_EQ(bounds.size() - 1, count) << from << " " << index;
        if (count > 0) {
            EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(bounds[index], berlin).toString(Qt::ISODate),
                      boundary);
        }
    }
}

} // namespace
