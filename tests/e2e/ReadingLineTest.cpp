#include "HexText.h"
#include "MainStation.h"
#include "MainWindow.h"
#include "PortLocator.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "RealtimeRecord.h"
#include "SimulatedLine.h"

#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The tool on the real Qt serial port, on a program folder whose com1 is a
// simulated line of meters.
struct ToolOnLine {
    ProgramFolder folder;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<MainWindow> window;

    ToolOnLine(QList<int> meters, int pollPeriod, const QStringList& simArguments)
        : folder([&] {
              StartingDatabase::Options options;
              options.meters = meters;
              options.timer = pollPeriod;
              return options;
          }()) {
        line = std::make_unique<SimulatedLine>(folder.path(), simArguments);
        window = std::make_unique<MainWindow>(
            folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    }
    ~ToolOnLine() {
        window.reset(); // closes the port before the line goes away
        line.reset();
    }
    MainStation& station() { return window->station(); }

    // Runs reading until every listed meter has been stored `times` times.
    bool readUntilStored(const QList<int>& meters, int times, int timeoutMs) {
        QMap<int, int> count;
        auto connection = QObject::connect(&station(), &MainStation::readingStored,
                                           [&](int address) { ++count[address]; });
        station().readMeterData();
        const bool done = QTest::qWaitFor(
            [&] {
                for (int meter : meters)
                    if (count.value(meter) < times)
                        return false;
                return true;
            },
            timeoutMs);
        station().stopReading();
        QTest::qWait(200); // let a reply already on its way land
        QObject::disconnect(connection);
        return done;
    }

    // The stored reading columns of a meter, as the decoder would give them.
    QString storedRow(int meter) const {
        const QStringList rows = folder.rows(
            QStringLiteral("select MinuteAverage,danwei1,Foward,Reverse,danwei2,zhuangtai,liusu,"
                           "baifenbi,dianzu from yibiaodizhi where dizhi=%1")
                .arg(meter));
        return rows.value(0);
    }
};

QString decodedRow(const QString& hex) {
    const auto r = decodeRealtimeRecord(hex);
    if (!r)
        return {};
    return QStringList{r->flowRate.value_or("?"),          r->flowRateUnit.value_or("?"),
                       r->forwardTotal.value_or("?"),      r->reverseTotal.value_or("?"),
                       r->totalizerUnit.value_or("?"),     r->status,
                       r->flowSpeed.value_or("?"),         r->spanPercentage.value_or("?"),
                       r->electrodeImpedance.value_or("?")}
        .join(QLatin1Char('|'));
}

TEST(ReadingOverALine, StoredRowsAreWhatTheMetersSent) {
    ToolOnLine tool({1, 2, 3}, 60, {"--addresses", "1-3", "--baud", "115200", "--seed", "3"});
    ASSERT_TRUE(tool.line->started());
    ASSERT_EQ(tool.window->load(), 0);
    ASSERT_TRUE(tool.readUntilStored({1, 2, 3}, 3, 10000));

    QMap<int, QString> lastReply;
    for (const QString& hex : tool.line->replies())
        lastReply[HexText::byteAt(hex, 0)] = hex;
    for (int meter : {1, 2, 3}) {
        SCOPED_TRACE(meter);
        ASSERT_TRUE(lastReply.contains(meter));
        EXPECT_EQ(tool.storedRow(meter), decodedRow(lastReply[meter]));
    }

    // Requests went round the list in address order, each the real-time read.
    const QStringList requests = tool.line->requests();
    ASSERT_GE(requests.size(), 9);
    for (int i = 0; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].left(12),
                  QStringLiteral("%1").arg(i % 3 + 1, 2, 10, QLatin1Char('0')) + "0300000018")
            << i;
}

TEST(ReadingOverALine, HostileLineNeverStoresADamagedReply) {
    ToolOnLine tool({1, 2, 3, 4}, 250,
                    {"--addresses", "1-4", "--silent", "4", "--baud", "115200", "--split",
                     "--stray", "0.2", "--corrupt-crc", "0.2", "--seed", "11"});
    ASSERT_TRUE(tool.line->started());
    ASSERT_EQ(tool.window->load(), 0);
    ASSERT_TRUE(tool.readUntilStored({1, 2, 3}, 2, 20000));

    QMap<int, QStringList> sent; // every undamaged reply of each meter, decoded
    for (const QString& hex : tool.line->replies())
        if (const QString row = decodedRow(hex); !row.isEmpty())
            sent[HexText::byteAt(hex, 0)] << row;
    for (int meter : {1, 2, 3}) {
        SCOPED_TRACE(meter);
        EXPECT_TRUE(sent[meter].contains(tool.storedRow(meter)));
    }
    EXPECT_EQ(tool.storedRow(4), QStringLiteral("||||||||")); // silent: still blank
}

} // namespace
