#include "Consumption.h"
#include "ReportPeriods.h"
#include "RollupBuilder.h"
#include "RollupConsumption.h"
#include "VolumeUnit.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Reading {
    int minute; // from 00:00 UTC on 1 June 2026
    std::optional<double> forward;
    const char* unit = "m3";
    std::optional<double> reverse = 0.0;
};

struct Hour {
    std::optional<double> forward;
    const char* notes = "";
};

std::vector<TotalSnapshot> snapshots(const std::vector<Reading>& readings) {
    const qint64 origin =
        QDateTime(QDate(2026, 6, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    std::vector<TotalSnapshot> list;
    for (const auto& [minute, forward, unit, reverse] : readings)
        list.push_back({origin + minute * 60000LL, forward, forward ? reverse : std::nullopt,
                        QString::fromUtf8(unit)});
    return list;
}

// The same snapshots folded into hours and summed by period give the
// engine's rows, unless the unit has no size (then reports read raw rows).
void expectRollupsAgree(const std::vector<TotalSnapshot>& list, const Consumption::Query& query,
                        const QList<ConsumptionRow>& expected, int c) {
    QString unit;
    RollupBuilder builder(1, 1);
    qint64 row = 0;
    for (const TotalSnapshot& s : list) {
        builder.push({++row, s.instant, s.forward, s.reverse, s.unit, {}, 0});
        if (s.forward || s.reverse)
            unit = s.unit;
    }
    unit = query.unit.isEmpty() ? unit : query.unit;
    builder.finish();
    if (!VolumeUnit::cubicMetres(unit))
        return;
    std::map<qint64, RollupHour> hours;
    for (const RollupHour& hour : builder.take())
        hours[hour.hour] = hour;
    const QList<ConsumptionRow> rows = RollupConsumption::periods(
        hours, ReportPeriods::boundaries(query.by, query.from, query.to, query.zone), query, unit);
    ASSERT_EQ(rows.size(), expected.size()) << c;
    for (int p = 0; p < rows.size(); ++p) {
        EXPECT_EQ(rows[p].start, expected[p].start) << c << p;
        EXPECT_EQ(rows[p].notes(), expected[p].notes()) << c << p;
        for (auto volume : {&ConsumptionRow::forward, &ConsumptionRow::net}) {
            ASSERT_EQ((rows[p].*volume).has_value(), (expected[p].*volume).has_value()) << c << p;
            EXPECT_NEAR((rows[p].*volume).value_or(0), (expected[p].*volume).value_or(0), 1e-6)
                << c << p;
        }
    }
}

// The first two hours of 1 June 2026 (UTC), record interval 20 minutes: a
// step over an hour is a gap.
TEST(Consumption, Rules) {
    const std::optional<double> none;
    const std::tuple<std::vector<Reading>, Hour, Hour> cases[] = {
        {{{-10, 0}, {20, 30}, {50, 60}, {70, 100}, {110, 120}, {130, 130}}, {70}, {45}},
        {{{0, 100}, {30, 110}, {120, 200}}, {40, "estimated"}, {60, "estimated"}},
        {{{0, 100}, {30, 110}, {60, none}, {120, 200}}, {40, "estimated"}, {60, "estimated"}},
        {{{0, 100}, {30, 110}, {50, 120}}, {20}, {none}},
        {{{80, 100}, {120, 110}}, {none}, {10}},
        {{{0, 100}, {30, 110}, {60, 5}, {90, 10}, {120, 20}}, {15, "reset"}, {15}},
        {{{0, 4294967290}, {30, 4294967295.5}, {60, 3.5}, {120, 10}}, {9.5, "wrap"}, {6.5}},
        // Not near enough to 2^32 for a wrap: a reset.
        {{{0, 4251500000}, {30, 42900000}, {60, 42900001}}, {42900001, "reset"}, {none}},
        {{{0, 100}, {30, 110}, {60, 999999}, {90, 110}, {120, 120}}, {10}, {10, "glitch"}},
        {{{0, 100}, {30, 110}, {60, 5}, {90, 110}, {120, 120}}, {10}, {10, "glitch"}},
        {{{0, 100}, {30, 110}, {60, 120}, {90, 5}}, {20}, {none, "glitch"}},
        {{{0, 1, "m3"}, {30, 1500, "l"}, {60, 2000, "l"}}, {1000}, {none}},
        {{{0, 10}, {30, 20}, {60, 5, "MID"}, {90, 7, "MID"}, {120, none}}, {0, "unit-change"}, {2}},
    };
    const QDate day(2026, 6, 1);
    const Consumption::Query query{PeriodKind::Hour, QTimeZone::utc(), day, day, 20 * 60000, {}};
    Consumption consumption(query);
    for (int c = 0; c < int(std::size(cases)); ++c) {
        const auto& [readings, first, second] = cases[c];
        const QList<ConsumptionRow> rows = consumption.rows(snapshots(readings));
        expectRollupsAgree(snapshots(readings), query, rows, c);
        ASSERT_EQ(rows.size(), 24) << c;
        for (int h = 0; h < 2; ++h) {
            const Hour& hour = h ? second : first;
            ASSERT_EQ(rows[h].forward.has_value(), hour.forward.has_value()) << c << h;
            if (rows[h].forward) {
                EXPECT_NEAR(*rows[h].forward, *hour.forward, 1e-6) << c << h;
            }
            EXPECT_EQ(rows[h].notes(), QString::fromUtf8(hour.notes)) << c << h;
        }
    }
}

// Berlin's autumn day of 25 hours by day, a steady 1 m3 forward and 0.5 m3
// reverse a minute, read every 30 minutes from 06:00 on the day before, in
// litres; two bad snapshots are left out.
TEST(Consumption, LocalDaysNetAndBadInput) {
    const QTimeZone berlin("Europe/Berlin");
    const qint64 start = QDateTime(QDate(2026, 10, 24), QTime(6, 0), berlin).toMSecsSinceEpoch();
    std::vector<TotalSnapshot> list;
    for (int minute = 0; minute <= 67 * 60; minute += 30)
        list.push_back({start + minute * 60000LL, minute, minute / 2.0, "m3"});
    list.insert(list.begin() + 5, {start, 1, 1, "m3"});
    list.insert(list.begin() + 9, {start + 300 * 60000LL, qQNaN(), 1, "m3"});
    const Consumption::Query query{PeriodKind::Day,     berlin,     QDate(2026, 10, 24),
                                   QDate(2026, 10, 26), 10 * 60000, "l"};
    Consumption consumption(query);
    const QList<ConsumptionRow> rows = consumption.rows(list);
    expectRollupsAgree(list, query, rows, 0);
    EXPECT_EQ(consumption.dropped(), 2);
    ASSERT_EQ(rows.size(), 3);
    const std::tuple<double, const char*> days[] = {
        {18 * 60, "estimated"}, {25 * 60, ""}, {24 * 60, ""}};
    for (int d = 0; d < 3; ++d) {
        const auto& [minutes, notes] = days[d];
        EXPECT_NEAR(rows[d].forward.value_or(-1), minutes * 1000, 1e-6) << d;
        EXPECT_NEAR(rows[d].net.value_or(-1), minutes * 500, 1e-6) << d;
        EXPECT_EQ(rows[d].notes(), QString::fromUtf8(notes)) << d;
        EXPECT_EQ(rows[d].unit, "l");
    }
}

} // namespace
