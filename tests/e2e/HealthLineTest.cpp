#include "HexText.h"
#include "LineHealth.h"
#include "MainStation.h"
#include "RealtimeRecord.h"
#include "SimulatedLine.h"

#include <QMap>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A damaged, split and noisy line with one silent meter: every stored row
// is a reply that left the simulator whole, the silent meter is marked and
// counted while the others go on, and the counts add up to the requests.
TEST(HealthOverALine, CountsAddUpOnAHostileLineWithASilentMeter) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3, 4};
    options.timer = 150;
    ToolOnLine tool(options, {"--addresses", "1-4", "--silent", "4", "--baud", "115200",
                              "--corrupt-crc", "0.2", "--split", "--stray", "0.1", "--seed", "12"});
    ASSERT_TRUE(tool.load());
    MainStation& station = tool.window->station();
    const LineStatistics& stats = station.health().statistics();
    QStringList stored; // each stored reply, decoded, in order
    QObject::connect(&station, &MainStation::readingStored,
                     [&](int, const QString& hex) { stored << hex; });
    station.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats.meter(3).stored >= 6; }, 30000))
        << stats.line().requests << " requests, " << stats.line().stored << " stored";
    station.stopReading();
    QTest::qWait(300); // the last reply lands, the simulator logs it

    // Every stored reply is one the simulator sent with a good CRC.
    QStringList goodReplies;
    int damaged = 0;
    for (const QString& hex : tool.line.replies()) {
        if (decodeRealtimeRecord(hex))
            goodReplies << hex;
        else
            ++damaged;
    }
    for (const QString& hex : stored)
        EXPECT_TRUE(goodReplies.contains(hex)) << hex.toStdString();

    // The tool asked what the simulator heard, and each poll has one outcome.
    const LineStatistics::LineCounts line = stats.line();
    EXPECT_EQ(line.requests, tool.line.requests().size());
    EXPECT_EQ(line.requests, line.stored + line.crcDrops + line.notStored + line.noReply +
                                 (stats.openPoll() ? 1 : 0));
    EXPECT_EQ(line.stored, stored.size());
    EXPECT_LE(line.crcDrops, damaged);
    EXPECT_GT(line.crcDrops, 0);
    EXPECT_GT(line.garbageBytes, 0);
    EXPECT_EQ(line.notStored, 0);

    // The silent meter: every poll unanswered, its row muted and blank.
    const LineStatistics::Counts silent = stats.meter(4);
    EXPECT_EQ(silent.stored, 0);
    EXPECT_EQ(silent.noReply + (stats.openPoll() == 4 ? 1 : 0), silent.requests);
    EXPECT_TRUE(station.health().freshness().isSilent(4));
    LiveGridModel& grid = station.liveGrid();
    EXPECT_TRUE(grid.index(3, 0).data(Qt::ToolTipRole).toString().startsWith("No reply since"));
    EXPECT_EQ(grid.index(3, 1).data().toString(), "");
    // The others answered and were not delayed: as many requests each.
    for (int meter : {1, 2, 3}) {
        SCOPED_TRACE(meter);
        EXPECT_GE(stats.meter(meter).requests, silent.requests - 1);
        EXPECT_GT(stats.meter(meter).stored, 0);
        EXPECT_TRUE(stats.meter(meter).medianReplyMs.has_value());
    }
}

} // namespace
