#include "HistorySnapshots.h"
#include "Publisher.h"
#include "ReplyFrames.h"
#include "ToolTest.h"

namespace {

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

using SnapshotTest = ToolTest;

TEST_F(SnapshotTest, TickReadsTheIntervalBoxAndCopiesEveryMeterRow) {
    start({1, 2, 3}, {}, 2);
    Publisher& publisher = station().publisher(); // no broker there: what it is sent waits
    publisher.apply(PublishSettings{true, "127.0.0.1", 1, "p", "s", "", "", "", 0});
    port->deliver(replyFrame(48, {{0, f32(12.5f)}}, 1));
    port->deliver(replyFrame(48, {{0, f32(7.0f)}}, 3)); // meter 2 is silent
    click("Read Meter Data");
    station().snapshotTick();
    EXPECT_EQ(setup(), nullptr); // the stored interval, no window built to read it
    const qint64 waiting = publisher.waiting();
    station().snapshotTick();
    EXPECT_EQ(publisher.waiting(), waiting + 1);
    EXPECT_EQ(folder->rows("select dizhi,typeof(dizhi),MinuteAverage,CreateTime is null "
                           "from Historydata order by dizhi"),
              QStringList({"1|text|12.50|0", "2|text||1", "3|text|7.00|0"}));
    const auto history = [this] { return folder->column("select count(*) from Historydata"); };
    // Folded into the hourly rollups at once, the silent meter as No Reply.
    EXPECT_EQ(folder->column("select through from rollup_state"), QStringList({"3"}));
    EXPECT_EQ(folder->rows("select address,samples,flow_max,unit from rollups order by address"),
              QStringList({"1|1|12.5|l", "2|0|NULL|", "3|1|7|l"}));

    click("Communication Setup");
    click("recordModify", setup());
    type("intervalBox", "1"); // counts from the next tick, saved or not
    station().snapshotTick();
    EXPECT_EQ(history(), QStringList({"6"}));
    type("intervalBox", "");
    for (int minute = 0; minute < 40000; ++minute)
        station().snapshotTick();
    EXPECT_EQ(history(), QStringList({"6"}));
    EXPECT_EQ(station().minuteCounter(), 32767);
    click("Stop Reading"); // only start-up and a snapshot reset the count
    click("Read Meter Data");
    EXPECT_EQ(station().minuteCounter(), 32767);

    // No meter listed appends nothing; a failed insert still restarts the count.
    type("intervalBox", "1");
    folder->exec("delete from yibiaodizhi");
    station().snapshotTick();
    EXPECT_EQ(history(), QStringList({"6"}));
    folder->exec("drop table Historydata");
    station().snapshotTick();
    EXPECT_EQ(station().minuteCounter(), 0);
}

} // namespace
