#include "Consumption.h"

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

// The first two hours of 1 June 2026 (UTC), record interval 20 minutes: a
// step over an hour is a gap.
TEST(Consumption, Rules) {
    const std::optional<double> none;
    const Hour twentyGlitch[] = {{20}, {20, "glitch"}};
    const std::tuple<const char*, std::vector<Reading>, std::array<Hour, 2>> cases[] = {
        {"interpolated",
         {{-10, 0}, {20, 30}, {50, 60}, {70, 100}, {110, 120}, {130, 130}},
         {{{70}, {45}}}},
        {"gap", {{0, 100}, {30, 110}, {120, 200}}, {{{40, "estimated"}, {60, "estimated"}}}},
        {"silent",
         {{0, 100}, {30, 110}, {60, none}, {90, none}, {120, 200}},
         {{{40, "estimated"}, {60, "estimated"}}}},
        {"edge", {{0, 100}, {30, 110}, {50, 120}}, {{{20}, {none}}}},
        {"edge", {{80, 100}, {120, 110}}, {{{none}, {10}}}},
        {"reset", {{0, 100}, {30, 110}, {60, 5}, {90, 10}, {120, 20}}, {{{15, "reset"}, {15}}}},
        {"wrap",
         {{0, 4294967290}, {30, 4294967295.5}, {60, 3.5}, {120, 10}},
         {{{9.5, "wrap"}, {6.5}}}},
        {"no wrap",
         {{0, 4251500000}, {30, 42900000}, {60, 42900001}},
         {{{42900001, "reset"}, {none}}}},
        {"spike",
         {{0, 100}, {30, 110}, {60, 999999}, {90, 130}, {120, 140}},
         {{twentyGlitch[0], twentyGlitch[1]}}},
        {"dip",
         {{0, 100}, {30, 110}, {60, 5}, {90, 130}, {120, 140}},
         {{twentyGlitch[0], twentyGlitch[1]}}},
        {"last falls", {{0, 100}, {30, 110}, {60, 120}, {90, 5}}, {{{20}, {none, "glitch"}}}},
        {"litres", {{0, 1, "m3"}, {30, 1500, "l"}, {60, 2000, "l"}}, {{{1000}, {none}}}},
        {"to MID",
         {{0, 10}, {30, 20}, {60, 5, "MID"}, {90, 7, "MID"}, {120, 9, "MID"}},
         {{{0, "unit-change"}, {4}}}},
    };
    for (const auto& [name, readings, hours] : cases) {
        Consumption consumption({PeriodKind::Hour,
                                 QTimeZone::utc(),
                                 QDate(2026, 6, 1),
                                 QDate(2026, 6, 1),
                                 20 * 60000,
                                 {}});
        const auto list = snapshots(readings);
        const QList<ConsumptionRow> rows = consumption.rows(list);
        ASSERT_EQ(rows.size(), 24) << name;
        for (int h = 0; h < 2; ++h) {
            ASSERT_EQ(rows[h].forward.has_value(), hours[h].forward.has_value()) << name << h;
            if (rows[h].forward) {
                EXPECT_NEAR(*rows[h].forward, *hours[h].forward, 1e-6) << name << h;
            }
            EXPECT_EQ(rows[h].notes(), QString::fromUtf8(hours[h].notes)) << name << h;
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
    Consumption consumption(
        {PeriodKind::Day, berlin, QDate(2026, 10, 24), QDate(2026, 10, 26), 10 * 60000, "l"});
    const QList<ConsumptionRow> rows = consumption.rows(list);
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
    EXPECT_EQ(rows[1].end.toString(Qt::ISODate), "2026-10-26T00:00:00+01:00");
}

} // namespace
