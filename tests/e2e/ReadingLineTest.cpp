#include "MainStation.h"
#include "RealtimeRecord.h"
#include "SimulatedLine.h"

#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

StartingDatabase::Options meters(const QList<int>& addresses, int pollPeriod) {
    StartingDatabase::Options options;
    options.meters = addresses;
    options.timer = pollPeriod;
    return options;
}

// Runs reading until every listed meter has been stored `times` times.
bool readUntilStored(ToolOnLine& tool, const QList<int>& meters, int times, int timeoutMs) {
    MainStation& station = tool.window->station();
    QMap<int, int> count;
    auto connection = QObject::connect(&station, &MainStation::readingStored,
                                       [&](int address) { ++count[address]; });
    station.readMeterData();
    const bool done = QTest::qWaitFor(
        [&] {
            for (int meter : meters)
                if (count.value(meter) < times)
                    return false;
            return true;
        },
        timeoutMs);
    station.stopReading();
    QTest::qWait(200); // let a reply already on its way land
    QObject::disconnect(connection);
    return done;
}

QString decodedRow(const QString& hex) {
    const auto r = decodeRealtimeRecord(hex);
    if (!r)
        return {};
    return QStringList{r->flowRate.value_or("?"),          r->flowRateUnit.value_or("?"),
                       r->forwardTotal.value_or("?"),      r->reverseTotal.value_or("?"),
                       r->totalizerUnit.value_or("?"),     r->status.value_or("?"),
                       r->flowSpeed.value_or("?"),         r->spanPercentage.value_or("?"),
                       r->electrodeImpedance.value_or("?")}
        .join(QLatin1Char('|'));
}

// The poll period is a floor on a half-duplex line: at a period far below
// the line time every request is still answered, stored and not garbled by
// the next one; above it, one request a tick.
TEST(ReadingOverALine, EveryRequestIsAnsweredAndStoredWhateverThePeriod) {
    struct Case {
        int period;
        QString baud;
    };
    const Case cases[] = {{1, "115200"}, {1, "9600"}, {40, "115200"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.period << " ms at " << c.baud.toStdString());
        StartingDatabase::Options options = meters({1, 2, 3}, c.period);
        options.settings = c.baud;
        ToolOnLine tool(options, {"--addresses", "1-3", "--baud", c.baud, "--seed", "4"});
        ASSERT_TRUE(tool.load());
        MainStation& station = tool.window->station();
        QSignalSpy ticks(&station.pollTimer(), &IntervalTimer::tick);
        QSignalSpy stored(&station, &MainStation::readingStored);
        ASSERT_TRUE(readUntilStored(tool, {1, 2, 3}, 3, 20000));
        // The answer to the last request may still be on its way.
        static_cast<void>(
            QTest::qWaitFor([&] { return stored.count() >= tool.line.requests().size(); }, 2000));

        // A simulator kept off the processor for longer than the turnaround
        // allowance answers too late for its request, as a slow meter
        // would; on a busy machine that may cost a reply or two, never most.
        const qsizetype requests = tool.line.requests().size();
        const qsizetype spare = requests / 5;
        EXPECT_GE(stored.count(), requests - spare);
        EXPECT_EQ(ticks.count(), requests);
        qsizetype garbled = 0;
        for (const QString& hex : tool.line.replies())
            garbled += decodedRow(hex).isEmpty() ? 1 : 0;
        EXPECT_LE(garbled, spare);
    }
}

} // namespace
