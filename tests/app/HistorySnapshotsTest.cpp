#include "HistorySnapshots.h"
#include "FakeSerialPort.h"
#include "MainStation.h"
#include "ProgramFolder.h"
#include "ReplyFrames.h"

#include <gtest/gtest.h>

namespace {

TEST(HistorySnapshots, LeadingNumberOfTheIntervalBox) {
    const std::pair<const char*, qint64> cases[] = {
        {"", 0},    {"5", 5},  {"  12min", 12},
        {"abc", 0}, {"-3", 0}, {"99999999999999999999", 2147483647},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(HistorySnapshots::leadingNumber(text), number) << text;
}

TEST(HistorySnapshots, MinutesThatCallForASnapshot) {
    // Interval typed at each minute, and the minutes that snapshot.
    const std::pair<QStringList, QList<int>> cases[] = {
        {{"1", "1", "1"}, {1, 2, 3}},
        {{"3", "3", "3", "3", "3", "3"}, {3, 6}},
        {{"", "0", "x", "0"}, {}},
        // Lowered below the count already reached: at once, not never.
        {{"10", "10", "10", "10", "10", "3", "3", "3"}, {6}},
    };
    for (const auto& [intervals, due] : cases) {
        HistorySnapshots counter;
        QList<int> snapped;
        for (int minute = 1; minute <= intervals.size(); ++minute)
            if (counter.minutePassed(intervals[minute - 1]))
                snapped << minute;
        EXPECT_EQ(snapped, due) << intervals.join(',').toStdString();
    }
}

TEST(Snapshot, ThreeMetersOneSilentGiveThreeRowsAddressesAsText) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    ProgramFolder folder(options);
    auto fake = std::make_unique<FakeSerialPort>();
    FakeSerialPort* port = fake.get();
    MainStation station(folder.path(), std::move(fake));
    ASSERT_EQ(station.startUp(), 0);
    station.setRecordIntervalSource([] { return QStringLiteral("1"); });
    port->deliver(replyFrame(48, {{0, f32(12.5f)}}, 1));
    port->deliver(replyFrame(48, {{0, f32(7.0f)}}, 3));
    station.readMeterData();
    station.snapshotTick();
    EXPECT_EQ(folder.rows("select dizhi,typeof(dizhi),MinuteAverage,CreateTime is null "
                          "from Historydata order by dizhi"),
              QStringList({"1|text|12.50|0", "2|text||1", "3|text|7.00|0"}));
    EXPECT_EQ(folder.rows("select * from Historydata where dizhi='2'"),
              QStringList({"2||||||||||NULL"}));

    // No meter listed appends nothing; a failed insert still restarts the count.
    folder.exec("delete from yibiaodizhi");
    station.snapshotTick();
    EXPECT_EQ(folder.column("select count(*) from Historydata"), QStringList({"3"}));
    folder.exec("drop table Historydata");
    station.snapshotTick();
    EXPECT_EQ(station.minuteCounter(), 0);
}

} // namespace
