#include "LineHealth.h"
#include "PollingCycle.h"
#include "RealtimeRecord.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// On a clean line at any poll period (a floor on a half-duplex line, even
// far below the line time) and on a damaged, split and noisy one with a
// silent meter: one request a tick, the counts add up to the requests the
// simulator heard, and every stored row is a reply that left it whole. The
// default reply timeout takes in replies that an adapter hands on in
// pieces; one too short for the line is said, naming it.
TEST(ReadingOverALine, EveryRequestIsCountedAndOnlyWholeRepliesAreStored) {
    const QStringList hostile{"--silent", "4", "--corrupt-crc", "0.2", "--split", "--stray", "0.1"};
    const struct {
        int period;
        QString baud;
        QStringList faults;
        int replyTimeoutMs = 100;
    } cases[] = {{1, "115200", {}},
                 {1, "9600", {}},
                 {40, "115200", {}},
                 {1, "9600", {"--split"}},
                 {1, "9600", {"--turnaround", "30"}, 0},
                 {150, "115200", hostile}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baud.toStdString() + " baud, period " + std::to_string(c.period) + ", " +
                     c.faults.join(' ').toStdString() + ", timeout " +
                     std::to_string(c.replyTimeoutMs));
        StartingDatabase::Options options;
        options.meters = QList<int>{1, 2, 3, 4};
        options.timer = c.period;
        options.settings = c.baud;
        ToolOnLine tool(options,
                        QStringList{"--addresses", "1-4", "--baud", c.baud, "--seed", "12"} +
                            c.faults);
        ASSERT_TRUE(tool.load());
        Station& station = tool.window->station();
        const auto stats = [&] { return station.health().statistics(); };
        QSignalSpy ticks(&station.pollTimer(), &IntervalTimer::tick);
        QSignalSpy late(&station.health(), &LineHealth::repliesLate);
        station.firstLine().setReplyTimeout(std::chrono::milliseconds(c.replyTimeoutMs));
        QStringList stored;
        QObject::connect(&station, &Station::readingReceived,
                         [&](const Reading&, const QString& hex) { stored << hex; });
        station.readMeterData();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return stats().meter(3).stored >= 6 || stats().line().lateReplies >= 6; },
            30000));
        station.stopReading();
        QTest::qWait(300); // the last reply lands, the simulator logs it

        const QStringList replies = tool.line.replies();
        const LineStatistics::LineCounts line = stats().line();
        EXPECT_EQ(line.requests, tool.line.requests().size());
        EXPECT_EQ(ticks.count(), line.requests);
        EXPECT_EQ(line.requests, line.stored + line.crcDrops + line.notStored + line.noReply +
                                     (stats().openPoll() ? 1 : 0));
        EXPECT_EQ(line.stored, stored.size());
        for (const QString& hex : stored)
            EXPECT_TRUE(decodeRealtimeRecord(hex) && replies.contains(hex)) << hex.toStdString();
        qsizetype damaged = 0;
        for (const QString& hex : replies)
            damaged += decodeRealtimeRecord(hex) ? 0 : 1;
        EXPECT_LE(line.crcDrops, damaged);
        if (c.replyTimeoutMs == 0) {
            EXPECT_EQ(late.count(), 1);
            continue;
        }
        EXPECT_EQ(late.count(), 0);
        if (!c.faults.contains("--stray")) {
            // A simulator kept off a busy processor may answer too late.
            EXPECT_GE(line.stored, line.requests - line.requests / 5);
            EXPECT_LE(damaged, line.requests / 5);
            continue;
        }
        EXPECT_GT(line.crcDrops, 0);
        EXPECT_GT(line.garbageBytes, 0);
        // The silent meter is muted in the grid and did not hold the others up.
        EXPECT_EQ(stats().meter(4).stored, 0);
        EXPECT_TRUE(station.readings().noReplyText(1, 4).startsWith("No reply since"));
        for (int meter : {1, 2, 3})
            EXPECT_GE(stats().meter(meter).requests, stats().meter(4).requests - 1) << meter;
    }
}

} // namespace
