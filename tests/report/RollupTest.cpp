#include "Database.h"
#include "ProgramFolder.h"
#include "ReportPeriods.h"
#include "RollupBuild.h"
#include "RollupConsumption.h"
#include "RollupFolder.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

constexpr qint64 Minute = 60000;
const qint64 origin = QDateTime(QDate(2026, 6, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

// Steps shared out across hour boundaries, alarm seconds from each status
// until the next snapshot (an empty one is No Reply), and a two-hour gap.
TEST(Rollup, BuilderHours) {
    const std::optional<double> none;
    const std::tuple<int, std::optional<double>, double, const char*> snapshots[] = {
        {50, 100, 2, "Communication OK"},
        {70, 120, 4, "Communication OK,Empty Pipe Alarm"},
        {80, none, 6, ""},
        {90, 140, 1, "Communication OK,Low Battery Alarm,Exceed Lower Limit"},
        {210, 160, 3, "Communication OK"},
        {220, 170, 3, "Communication OK"},
    };
    RollupBuilder builder(1, 7);
    qint64 row = 0;
    for (const auto& [minute, forward, flow, status] : snapshots)
        builder.push({++row, origin + minute * Minute, forward, forward ? 0.0 : none, "m3", flow,
                      RollupBuilder::alarmsOf(status)});
    std::map<qint64, RollupHour> hours;
    for (const RollupHour& hour : builder.take())
        hours[hour.hour] = hour;
    const QDate day(2026, 6, 1);
    const Consumption::Query query{PeriodKind::Hour, QTimeZone::utc(), day, day, 20 * Minute, {}};
    const QList<ConsumptionRow> rows = RollupConsumption::periods(
        hours, ReportPeriods::boundaries(query.by, day, day, query.zone), query, "m3");
    // forward, samples, flow min, max, sum; seconds of empty pipe, low battery, no reply; notes
    const std::tuple<double, int, double, double, double, double, double, double, const char*>
        expected[] = {
            {10, 1, 2, 2, 2, 0, 0, 0, ""},
            {35, 3, 1, 6, 11, 600, 1800, 600, "estimated"},
            {10, 0, 0, 0, 0, 0, 3600, 0, "estimated"},
            {5, 2, 3, 3, 6, 0, 1800, 0, "estimated"},
        };
    ASSERT_EQ(hours.size(), std::size(expected));
    for (int h = 0; h < int(std::size(expected)); ++h) {
        const auto& [forward, samples, min, max, sum, emptyPipe, lowBattery, noReply, notes] =
            expected[h];
        const RollupHour& hour = hours.at(origin / 1000 + h * 3600);
        EXPECT_NEAR(hour.forward.value_or(-1), forward, 1e-9) << h;
        EXPECT_EQ(hour.samples, samples) << h;
        EXPECT_EQ(hour.flowMin.value_or(0), min) << h;
        EXPECT_EQ(hour.flowMax.value_or(0), max) << h;
        EXPECT_EQ(hour.flowSum, sum) << h;
        EXPECT_EQ(hour.alarmSeconds[2], emptyPipe) << h;
        EXPECT_EQ(hour.alarmSeconds[1], lowBattery) << h;
        EXPECT_EQ(hour.alarmSeconds[4], lowBattery) << h;
        EXPECT_EQ(hour.alarmSeconds[5], noReply) << h;
        EXPECT_EQ(rows[h].notes(), notes) << h;
    }
}

// Two meters, three days every ten minutes, meter 2 reset midway and one of
// its snapshots taken while silent.
TotalSnapshot stored(int i, int meter) {
    const double forward = meter == 2 && i >= 200 ? (i - 200) * 1.5 : i * 2.5 + meter;
    return {origin + i * 10 * Minute, forward, i * 0.25, "m3"};
}

// A build stopped after one batch resumes in the background, ends with
// `through` at the last row, and a report read from the rollups, with rows
// stored after their reach, equals the one worked out of every snapshot.
TEST(Rollup, BuildResumesAndReportsAsRawSnapshots) {
    ProgramFolder folder;
    const auto insert = [&](int from, int to) {
        return folder.exec(
            QStringLiteral(
                "with recursive n(i) as (select %1 union all select i+1 from n "
                "where i<%2) insert into Historydata (dizhi,MinuteAverage,Foward,"
                "Reverse,danwei2,zhuangtai,line,read_at,CreateTime) select d,'1.5',iif(d=2 "
                "and i>=200,(i-200)*1.5,i*2.5+d),i*0.25,'m3','Communication OK',1,"
                "%3+i*600000,datetime(%3/1000+i*600,'unixepoch','localtime') from n,"
                "(select 1 as d union all select 2)")
                .arg(from)
                .arg(to)
                .arg(origin));
    };
    ASSERT_TRUE(insert(0, 299));
    ASSERT_TRUE(folder.exec("insert into Historydata (dizhi,line) values (2,1)"));
    ASSERT_TRUE(insert(300, 400));
    Database db(folder.path());
    EXPECT_EQ(RollupFolder(db.connection()).fold(100).through, 100);
    {
        RollupBuild build(folder.path(), 150);
        QSignalSpy finished(&build, &RollupBuild::finished);
        QSignalSpy progress(&build, &RollupBuild::progress);
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_EQ(finished.front().front().toString(), "");
        EXPECT_EQ(progress.back(), (QList<QVariant>{qint64(703), qint64(703)}));
    }
    EXPECT_EQ(folder.column("select through from rollup_state"), QStringList{"803"});
    ASSERT_TRUE(insert(401, 431));

    RollupConsumption fromRollups(db.connection());
    for (const char* zone : {"UTC", "Europe/Berlin", "Asia/Kolkata"}) {
        for (const PeriodKind by : {PeriodKind::Hour, PeriodKind::Day}) {
            const Consumption::Query query{
                by, QTimeZone(zone), QDate(2026, 6, 1), QDate(2026, 6, 3), 10 * Minute, "l"};
            for (int meter : {1, 2}) {
                std::vector<TotalSnapshot> raw;
                for (int i = 0; i <= 431; ++i)
                    raw.push_back(stored(i, meter));
                const QList<ConsumptionRow> expected = Consumption(query).rows(raw);
                const QList<ConsumptionRow> rows = fromRollups.rows(1, meter, query);
                ASSERT_EQ(rows.size(), expected.size()) << zone << meter;
                for (int p = 0; p < rows.size(); ++p) {
                    EXPECT_NEAR(rows[p].forward.value_or(-1), expected[p].forward.value_or(-1),
                                1e-6)
                        << zone << meter << p;
                    EXPECT_NEAR(rows[p].net.value_or(-1), expected[p].net.value_or(-1), 1e-6)
                        << zone << meter << p;
                    EXPECT_EQ(rows[p].notes(), expected[p].notes()) << zone << meter << p;
                }
            }
        }
    }
}

} // namespace
