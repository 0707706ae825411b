#include "Database.h"
#include "ProgramFolder.h"
#include "StoredTime.h"
#include "TrendData.h"
#include "TrendReduction.h"

#include <gtest/gtest.h>

namespace {

using Point = TrendReduction::Point;
using Lines = std::vector<TrendReduction::Line>;

using Rows = std::vector<std::pair<qint64, std::optional<double>>>; // nullopt: an empty value

// One series over the rows.
Lines reduced(qint64 first, qint64 last, int buckets, const Rows& rows) {
    TrendReduction reduction(first, last, buckets, 1);
    for (const auto& [clock, value] : rows)
        reduction.add(0, clock, value);
    reduction.finish();
    return reduction.lines(0);
}

// Each bucket keeps its lowest and highest row in time order; empty values are gaps.
TEST(TrendReduction, BucketsKeepTheirLowestAndHighestAndGapsStay) {
    const auto none = std::nullopt;
    const std::tuple<const char*, int, Rows, Lines> cases[] = {
        {"gap",
         6,
         {{0, 1}, {1, 2}, {2, none}, {3, none}, {4, 5}, {5, 6}},
         {{{0, 1}, {1, 2}}, {{4, 5}, {5, 6}}}},
        {"empty ends", 3, {{0, none}, {1, 3}, {2, none}}, {{{1, 3}}}},
        {"only empties", 3, {{0, none}, {1, none}}, {}},
        {"zero is a value", 2, {{0, 0}, {5, 0}}, {{{0, 0}, {5, 0}}}},
        {"gap in a bucket",
         1,
         {{0, 5}, {1, 1}, {2, none}, {3, 9}, {4, 2}},
         {{{0, 5}, {1, 1}}, {{3, 9}, {4, 2}}}},
        {"ties: the earliest", 1, {{0, 3}, {1, 3}, {2, 3}}, {{{0, 3}}}},
        {"low after high", 1, {{0, 4}, {1, 9}, {2, -1}, {3, 4}}, {{{1, 9}, {2, -1}}}},
        {"outside: edge buckets",
         2,
         {{-50, 1}, {0, 2}, {5, 7}, {99, 8}},
         {{{-50, 1}, {0, 2}, {5, 7}, {99, 8}}}},
    };
    for (const auto& [what, buckets, rows, expected] : cases)
        EXPECT_EQ(reduced(0, 5, buckets, rows), expected) << what;
    // Ten seconds in three buckets of 4, 3 and 3 rows.
    EXPECT_EQ(
        reduced(0, 9, 3,
                {{0, 1}, {1, 5}, {2, 2}, {3, 9}, {4, 3}, {5, 0}, {6, 4}, {7, 8}, {8, 6}, {9, 7}}),
        Lines({{{0, 1}, {3, 9}, {5, 0}, {6, 4}, {7, 8}, {8, 6}}}));
}

TEST(TrendData, OneMetersSpanWithItsGapsAndUnits) {
    ProgramFolder folder;
    // Meter 7's rows, a neighbour's and line 2's meter 7 between them, and one each side
    // of the span.
    ASSERT_TRUE(folder.exec(
        "insert into Historydata (dizhi,MinuteAverage,danwei1,Foward,danwei2,liusu,CreateTime) "
        "values ('7', '9.00', 'l/s', '1.00', 'l', '9.00', '2026-03-01 09:59:59'),"
        "('7', '1.00', 'l/s', '10.00', 'l', '0.50', '2026-03-01 10:00:00'),"
        "('8', '50.00', 'gal/min', '99.00', 'gal', '50.00', '2026-03-01 10:00:30'),"
        "('7', '60.00', 'gal/min', '99.00', 'gal', '60.00', '2026-03-01 10:00:40'),"
        "('7', '', '', '', '', '', '2026-03-01 10:01:00'),"
        "('7', '2.50', 'm3/h', '12.00', 'm3', 'n/a', '2026-03-01 10:02:00'),"
        "('7', '-1.25', '', '13.50', '', '0.75', '2026-03-01 10:03:00'),"
        "('7', '9.00', 'l/s', '1.00', 'l', '9.00', '2026-03-01 10:03:01')"));
    ASSERT_TRUE(folder.exec("update Historydata set line=2 where MinuteAverage='60.00'"));
    Database db(folder.path());
    const qint64 first = *StoredTime::clockSeconds("2026-03-01 10:00:00");
    const TrendData data =
        TrendData::read(db.connection(), QStringLiteral("7"), first, first + 180, 1000, 1);
    EXPECT_EQ(data.rows, 4);
    EXPECT_EQ(data.flowRateUnit, QStringLiteral("m3/h"));
    EXPECT_EQ(data.totalizerUnit, QStringLiteral("m3"));
    const auto at = [first](qint64 seconds, double value) { return Point{first + seconds, value}; };
    EXPECT_EQ(data.lines[TrendData::FlowRate], Lines({{at(0, 1)}, {at(120, 2.5), at(180, -1.25)}}));
    EXPECT_EQ(data.lines[TrendData::FlowSpeed], Lines({{at(0, 0.5)}, {at(180, 0.75)}}));
    EXPECT_EQ(data.lines[TrendData::ForwardTotal],
              Lines({{at(0, 10)}, {at(120, 12), at(180, 13.5)}}));
    EXPECT_EQ(TrendData::read(db.connection(), "7", first, first + 180, 1000, 2).rows, 1);
    EXPECT_EQ(TrendData::read({}, "7", first, first + 180, 1000).error, "the database is not open");
}

// A span longer than a few days is read by the hour, each hour's lowest and highest flow at its
// middle and its last forward total when read; a shorter one from the snapshots, unless pruned.
TEST(TrendData, LongSpansAndPrunedOnesReadTheHours) {
    ProgramFolder folder;
    const qint64 utc = QDateTime(QDate(2026, 3, 1), QTime(0, 0)).toSecsSinceEpoch();
    const qint64 first = *StoredTime::clockSeconds("2026-03-01 00:00:00");
    // Meter 7's first three hours, the third without a flow; meter 8's; a snapshot on day 5.
    ASSERT_TRUE(folder.exec(
        QStringLiteral("insert into rollups (line,address,hour,last_at,last_forward,unit,flow_min,"
                       "flow_max) values (1,7,%1,%2,10,'m3',1,4),(1,7,%1+3600,%3,12,'m3',2,3),"
                       "(1,7,%1+7200,NULL,NULL,'m3',NULL,NULL),(1,8,%1,%2,99,'m3',50,60)")
            .arg(utc)
            .arg((utc + 3000) * 1000)
            .arg((utc + 7000) * 1000)));
    ASSERT_TRUE(
        folder.exec("insert into Historydata (dizhi,MinuteAverage,danwei1,Foward,danwei2,"
                    "CreateTime) values ('7','5.00','l/s','20.00','l','2026-03-05 10:00:00')"));
    Database db(folder.path());
    const qint64 day5 = first + 4 * 86400;
    const std::tuple<const char*, qint64, qint64, bool, qint64> cases[] = {
        {"ten days", first, first + 10 * 86400, true, 3},
        {"three days", day5 - 2 * 86400, day5 + 86400, false, 1},
        {"a pruned day", first, first + 86400, true, 3},
    };
    for (const auto& [what, from, to, hourly, rows] : cases) {
        const TrendData data = TrendData::read(db.connection(), "7", from, to, 1000);
        EXPECT_EQ(std::pair(data.hourly, data.rows), std::pair(hourly, rows)) << what;
        EXPECT_EQ(data.flowRateUnit, "l/s") << what;
        EXPECT_EQ(data.totalizerUnit, hourly ? "m3" : "l") << what;
    }
    const TrendData data =
        TrendData::read(db.connection(), "7", first, first + 10 * 86400, 1000, 1);
    const auto at = [first](qint64 seconds, double value) { return Point{first + seconds, value}; };
    EXPECT_EQ(data.lines[TrendData::FlowRate],
              Lines({{at(1800, 1), at(1800, 4), at(5400, 2), at(5400, 3)}}));
    EXPECT_EQ(data.lines[TrendData::ForwardTotal], Lines({{at(3000, 10), at(7000, 12)}}));
    EXPECT_TRUE(data.lines[TrendData::FlowSpeed].empty());
}

} // namespace
