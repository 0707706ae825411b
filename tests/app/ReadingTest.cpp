#include "FakeSerialPort.h"
#include "LiveGridModel.h"
#include "MainStation.h"
#include "PollingCycle.h"
#include "ProgramFolder.h"
#include "ReplyFrames.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A real-time reply: flow 12.5 m3/h, totals 100.25 and 3.5 m3, no alarms.
QByteArray realtime(int address, float flow = 12.5f, std::uint16_t rateUnit = 7,
                    std::uint16_t totalUnit = 6) {
    return replyFrame(48,
                      {{0, f32(flow)},
                       {4, u16(rateUnit)},
                       {6, u32(100)},
                       {10, f32(0.25f)},
                       {14, u16(totalUnit)},
                       {16, u32(3)},
                       {20, f32(0.5f)},
                       {36, f32(1.5f)},
                       {40, f32(42.0f)},
                       {44, f32(1800.0f)}},
                      address);
}

class ReadingTest : public ::testing::Test {
protected:
    void start(QList<int> meters) {
        StartingDatabase::Options options;
        options.meters = std::move(meters);
        folder = std::make_unique<ProgramFolder>(options);
        auto fake = std::make_unique<FakeSerialPort>();
        port = fake.get();
        station = std::make_unique<MainStation>(folder->path(), std::move(fake));
        ASSERT_EQ(station->startUp(), 0);
    }
    QStringList stored() const {
        return folder->rows("select dizhi,MinuteAverage,danwei1,Foward,Reverse,danwei2,zhuangtai,"
                            "liusu,baifenbi,dianzu from yibiaodizhi order by dizhi");
    }
    QString shown(int row, int column) const {
        return station->liveGrid().index(row, column).data().toString();
    }
    QList<int> asked() const {
        QList<int> addresses;
        for (const QByteArray& frame : port->written)
            addresses << static_cast<std::uint8_t>(frame.at(0));
        return addresses;
    }

    std::unique_ptr<ProgramFolder> folder;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<MainStation> station;
};

TEST_F(ReadingTest, ReplyIsStoredInItsMetersRowAndShownWithoutMovingTheCursor) {
    start({1, 2, 7});
    QSignalSpy stored_(station.get(), &MainStation::readingStored);
    port->deliver(realtime(7));
    ASSERT_EQ(stored_.count(), 1);
    EXPECT_EQ(stored(), QStringList({"1|||||||||", "2|||||||||",
                                     "7|12.50|m3/h|100.25|3.50|m3|Communication OK|1.50|42.00|"
                                     "1800.00"}));
    EXPECT_FALSE(folder->column("select CreateTime from yibiaodizhi where dizhi=7")[0].isEmpty());
    EXPECT_EQ(shown(2, 1), QStringLiteral("12.50"));
    EXPECT_EQ(shown(2, 5), QStringLiteral("Communication OK"));
    EXPECT_FALSE(shown(2, 9).isEmpty());
    EXPECT_EQ(shown(0, 1), QString());
    EXPECT_EQ(station->liveGrid().currentAddress(), 1);
}

TEST_F(ReadingTest, DamagedOrForeignRepliesChangeNothing) {
    start({1});
    port->deliver(realtime(1));
    const QStringList before = folder->rows("select * from yibiaodizhi");

    QByteArray flipped = realtime(1, 99.0f);
    flipped[10] = static_cast<char>(flipped[10] ^ 0x04);
    port->deliver(flipped);
    port->deliver(realtime(9, 98.0f)); // a meter that is not listed
    EXPECT_EQ(folder->rows("select * from yibiaodizhi"), before);
    EXPECT_EQ(shown(0, 1), QStringLiteral("12.50"));
}

TEST_F(ReadingTest, UnknownUnitCodesKeepTheUnitsShown) {
    start({1});
    port->deliver(realtime(1));
    port->deliver(realtime(1, 1.0f, 9, 21));
    EXPECT_EQ(folder->rows("select MinuteAverage,danwei1,danwei2 from yibiaodizhi"),
              QStringList({"1.00|m3/h|m3"}));
    EXPECT_EQ(shown(0, 2), QStringLiteral("m3/h"));
    EXPECT_EQ(shown(0, 4), QStringLiteral("m3"));
}

TEST_F(ReadingTest, PollsInAddressOrderAndGoesOnAfterStopAndRead) {
    start({3, 1, 2});
    PollingCycle& polling = station->polling();
    polling.tick();
    polling.tick();
    station->readMeterData();
    station->stopReading();
    station->readMeterData();
    polling.tick();
    polling.tick();
    EXPECT_EQ(asked(), QList<int>({1, 2, 3, 1}));
    station->stopReading();
}

TEST_F(ReadingTest, SilentMeterKeepsItsRowAndDelaysNobody) {
    start({1, 2, 3});
    PollingCycle& polling = station->polling();
    for (int pass = 0; pass < 2; ++pass) {
        for (int meter = 1; meter <= 3; ++meter) {
            polling.tick();
            if (meter != 2)
                port->deliver(realtime(meter, float(10 * meter + pass)));
        }
    }
    EXPECT_EQ(asked(), QList<int>({1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(folder->column("select MinuteAverage from yibiaodizhi order by dizhi"),
              QStringList({"11.00", "", "31.00"}));
}

TEST_F(ReadingTest, ReloadPutsTheCursorBackOnTheLowestAddress) {
    start({1, 2, 3});
    station->polling().tick();
    station->polling().tick();
    folder->exec("insert into yibiaodizhi (dizhi) values (0)");
    station->callDataGrid1();
    EXPECT_EQ(station->liveGrid().currentAddress(), 0);
    folder->exec("delete from yibiaodizhi where dizhi=0");
    station->callDataGrid1();
    station->polling().tick();
    EXPECT_EQ(asked(), QList<int>({1, 2, 1}));
}

} // namespace
