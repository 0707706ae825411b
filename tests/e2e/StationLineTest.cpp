#include "LineHealth.h"
#include "LineProbe.h"
#include "LineStatisticsModel.h"
#include "LineStatisticsWindow.h"
#include "LineTable.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "RealtimeRecord.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Four lines read at once, each its own simulator on a pseudo-terminal:
// address 1 is on two of them, and each stored row holds a reply of its own
// line's simulator. Neither a line whose meters are all silent nor one
// whose simulator goes away and comes back holds up the others.
TEST(StationOverLines, EachLineStoresItsOwnMetersAndNoLineHoldsUpAnother) {
    StartingDatabase::Options options;
    options.lines = {fastLine(1, {1, 2}), fastLine(2, {1, 3}), fastLine(3, {5, 6}),
                     fastLine(4, {7}), fastLine(5, {9})};
    options.lines[4].settings.port = QStringLiteral("11"); // no such port: said, left out
    ProgramFolder folder(options);
    QTemporaryDir logs[4];
    const QStringList fast{"--baud", "115200"};
    SimulatedLine one(folder.path(), fast + QStringList{"--addresses", "1-2", "--seed", "1"},
                      logs[0].path(), "ports/com1");
    SimulatedLine two(folder.path(), fast + QStringList{"--addresses", "1,3", "--seed", "2"},
                      logs[1].path(), "ports/com2");
    SimulatedLine three(folder.path(), fast + QStringList{"--addresses", "5-6", "--silent", "5-6"},
                        logs[2].path(), "ports/com3");
    const auto startFour = [&] {
        return std::make_unique<SimulatedLine>(
            folder.path(), fast + QStringList{"--addresses", "7"}, logs[3].path(), "ports/com4");
    };
    auto four = startFour();
    ASSERT_TRUE(one.started() && two.started() && three.started() && four->started());
    Station station(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    QSignalSpy notStarted(&station, &Station::lineNotStarted);
    ASSERT_TRUE(station.startUp().isOk());
    EXPECT_EQ(notStarted.value(0).value(0),
              "Line 5: port \"11\" is neither com1 to com10 nor a device path");
    ASSERT_EQ(station.lines().size(), 4u);
    const auto counts = [&](int line) {
        return station.lines()[line - 1]->health().statistics().line();
    };
    station.readMeterData();
    const auto lines1And2Store = [&](qint64 replies) {
        return counts(1).stored >= replies && counts(2).stored >= replies;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return lines1And2Store(30) && counts(3).noReply >= 6 && counts(4).stored >= 5; },
        30000));
    // Each line asks on its own thread: the station's thread busy (a long
    // commit, a window drawing) holds up none of them.
    const qsizetype askedBefore = two.requests().size();
    QThread::msleep(500);
    EXPECT_GT(two.requests().size(), askedBefore + 10);
    // Line 4's adapter goes away, and comes back.
    four.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts(4).portLosses == 1; }, 10000));
    const qint64 storedBefore = std::min(counts(1).stored, counts(2).stored);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines1And2Store(storedBefore + 30); }, 10000));
    const qint64 fourBefore = counts(4).stored;
    four = startFour();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts(4).stored > fourBefore; }, 20000));
    station.stopReading();

    // A simulator kept off a busy processor may answer too late.
    for (int line : {1, 2})
        EXPECT_GE(counts(line).stored, counts(line).requests - counts(line).requests / 5) << line;
    EXPECT_EQ(counts(3).stored, 0);
    // Line Statistics: each line's meters, then the line.
    LineStatisticsWindow statistics(station);
    QStringList captions;
    for (int row = 0; row < statistics.model().rowCount(); ++row)
        captions << statistics.model().index(row, 0).data().toString();
    EXPECT_EQ(captions, QStringList({"1", "2", "Line 1: Whole line", "1", "3", "Line 2: Whole line",
                                     "5", "6", "Line 3: Whole line", "7", "Line 4: Whole line"}));
    EXPECT_TRUE(statistics.summaryText().contains("\nLine 3: Bytes received: 0 "));
    EXPECT_EQ(folder.rows("select line, dizhi from yibiaodizhi where MinuteAverage <> '' "
                          "order by line, dizhi"),
              QStringList({"1|1", "1|2", "2|1", "2|3", "4|7"}));
    const SimulatedLine* simulators[] = {&one, &two};
    for (const QString& row :
         folder.rows("select line, dizhi, MinuteAverage from yibiaodizhi where line < 3")) {
        const QStringList fields = row.split(QLatin1Char('|'));
        QStringList flows;
        for (const QString& hex : simulators[fields[0].toInt() - 1]->replies())
            if (const auto reading = decodeRealtimeRecord(hex);
                reading && reading->address == fields[1].toInt())
                flows << reading->flowRate.value_or(QString());
        EXPECT_TRUE(flows.contains(fields[2])) << row.toStdString();
    }
}

// "Test line" borrows a reading line's port, asks each meter once and gives the
// port back. A reload starts the lines changed or added and keeps the others.
TEST(StationOverLines, ProbeTellsWhichMetersAnswerAndReloadRestartsOnlyChangedLines) {
    StartingDatabase::Options options;
    options.lines = {fastLine(1, {1}), fastLine(2, {1, 4, 7}), fastLine(3, {2})};
    StoredLine& two = options.lines[1].settings;
    two.name = QStringLiteral("Stage two");
    two.replyTimeout = 1000; // a busy processor must not make a meter silent
    ProgramFolder folder(options);
    QTemporaryDir logs[2];
    const QStringList fast{"--baud", "115200", "--addresses"};
    SimulatedLine simOne(folder.path(), fast + QStringList{"1"}, logs[0].path(), "ports/com1");
    SimulatedLine simTwo(folder.path(), fast + QStringList{"1,4"}, logs[1].path(), "ports/com2");
    ASSERT_TRUE(simOne.started() && simTwo.started());
    Station station(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    ASSERT_TRUE(station.startUp().isOk());
    station.readMeterData();
    LineProbe probe(station);
    QSignalSpy finished(&probe, &LineProbe::finished);
    ASSERT_TRUE(probe.start(two, {1, 7, 4})); // the last answers: the probe ends in its reply
    EXPECT_FALSE(probe.start(two, {1}));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.takeFirst().value(0), "Line 2 \"Stage two\": 1, 4 answered; 7 silent");
    const auto stored = [&] { return station.lines()[1]->health().statistics().line().stored; };
    const qint64 before = stored();
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored() > before; }, 10000)); // reading again
    probe.start(options.lines[2].settings, {2});                            // com3 has no device
    EXPECT_EQ(finished.takeFirst().value(0),
              "Line 3 \"Line 3\": port com3 did not open (error 8002).");

    Line* kept = station.lines()[1].get();
    ASSERT_TRUE(
        folder.exec("update lines set name='Tank' where number=3") &&
        folder.exec("insert into lines(number,name,port,baud,parity,poll_period,reply_timeout) "
                    "values (4,'Four','/dev/rx-none','9600',0,7,150)"));
    std::vector<Line*> started = station.reloadLines();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1]->number(), 4);
    EXPECT_EQ(started[1]->pollTimer().interval().count(), 7);
    EXPECT_EQ(station.lines()[1].get(), kept);
    EXPECT_EQ(station.lines()[2]->name(), "Tank");
    ASSERT_TRUE(folder.exec("delete from lines where number=2"));
    EXPECT_TRUE(station.reloadLines().empty());
    QList<int> numbers;
    for (const auto& line : station.lines())
        numbers << line->number();
    EXPECT_EQ(numbers, QList<int>({1, 3, 4}));
    station.stopReading();
}

} // namespace
