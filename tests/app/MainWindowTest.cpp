#include "LineHealth.h"
#include "LineStatisticsModel.h"
#include "LineStatisticsWindow.h"
#include "PollingCycle.h"
#include "ReplyFrames.h"
#include "ToolTest.h"

#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>

namespace {

// A real-time reply: flow in m3/h, totals 100.25 and 3.5 m3, no alarms,
// flow speed 1.5, span 42 %, impedance 1800.
QByteArray realtime(int address, float flow = 12.5f, std::uint16_t rateUnit = 7,
                    std::uint16_t totalUnit = 6) {
    return replyFrame(48,
                      {{0, f32(flow) + u16(rateUnit) + u32(100) + f32(0.25f) + u16(totalUnit) +
                               u32(3) + f32(0.5f)},
                       {36, f32(1.5f) + f32(42.0f) + f32(1800.0f)}},
                      address);
}

class MainWindowTest : public ToolTest {
protected:
    bool visible(const char* text) const { return button(text)->isVisibleTo(window.get()); }
    // A row of the live grid, its cells joined by '|'.
    QString shown(int row) {
        QStringList cells;
        for (int column = 0; column < LiveGridModel::ColumnCount; ++column)
            cells << station().liveGrid().index(row, column).data().toString();
        return cells.join('|');
    }
};

TEST_F(MainWindowTest, TitleAndAHintThatOutlastsTheMouse) {
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("RX7100 PC TOOL Ver0.17"));
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QCoreApplication::sendEvent(button("History"), &enter);
    QCoreApplication::sendEvent(button("History"), &leave);
    EXPECT_EQ(window->statusText(), QStringLiteral("Notice:History"));
}

TEST_F(MainWindowTest, ReadStopAndParameterSetupMoveBetweenStates) {
    start({1}, 250);
    IntervalTimer& poll = station().pollTimer();
    IntervalTimer& snapshot = station().snapshotTimer();
    EXPECT_EQ(poll.interval().count(), 0);
    EXPECT_FALSE(poll.isTicking() || snapshot.isEnabled() || visible("Stop Reading"));

    click("Read Meter Data");
    EXPECT_TRUE(visible("Stop Reading") && !visible("Read Meter Data"));
    EXPECT_EQ(poll.interval().count(), 250);
    EXPECT_EQ(snapshot.interval().count(), 60000);
    EXPECT_TRUE(poll.isTicking() && snapshot.isTicking());

    click("Stop Reading");
    EXPECT_TRUE(visible("Read Meter Data") && !visible("Stop Reading"));
    EXPECT_EQ(poll.interval().count(), 0);
    EXPECT_EQ(snapshot.interval().count(), 0);
    EXPECT_FALSE(poll.isTicking() || snapshot.isEnabled());

    click("Read Meter Data");
    click("Meter Parameter Setup");
    EXPECT_TRUE(visible("Read Meter Data"));
    EXPECT_FALSE(poll.isTicking() || snapshot.isTicking());
}

TEST_F(MainWindowTest, StartUpBlanksTheReadingsAndTheGridRowIsThePollCursor) {
    start({11, 9, 10});
    folder->exec("update yibiaodizhi set MinuteAverage='1.00',danwei1='l/s',Foward='2.00',"
                 "Reverse='3.00',danwei2='l',zhuangtai='Communication OK',liusu='1.00',"
                 "baifenbi='2.00',dianzu='3.00',CreateTime='2026-01-01 00:00:00'");
    ASSERT_EQ(launch(), 0); // the next start-up
    window->show();
    EXPECT_EQ(folder->rows("select * from yibiaodizhi order by dizhi"),
              QStringList({"9||||||||||NULL", "10||||||||||NULL", "11||||||||||NULL"}));
    ASSERT_EQ(station().liveGrid().rowCount(), 3);
    EXPECT_EQ(QStringList({shown(0), shown(1), shown(2)}),
              QStringList({"9|||||||||", "10|||||||||", "11|||||||||"}));

    QTableView* view = window->liveGridView();
    LiveGridModel& grid = station().liveGrid();
    EXPECT_EQ(grid.currentAddress(), 9);
    view->selectRow(2);
    EXPECT_EQ(grid.currentAddress(), 11);
    grid.moveToNext();
    EXPECT_EQ(grid.currentAddress(), 9);
    // The highlight follows with the next frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->currentIndex().row() == 0; }, 1000));
    view->selectRow(1);
    station().callDataGrid1();
    EXPECT_EQ(grid.currentAddress(), 9);
    // The reload keeps the grid read-only.
    for (int c = 0; c < LiveGridModel::ColumnCount; ++c)
        EXPECT_FALSE(view->model()->flags(view->model()->index(0, c)) & Qt::ItemIsEditable);
}

TEST_F(MainWindowTest, ReplyIsStoredInItsMetersRowWithoutMovingTheCursor) {
    start({1, 2, 7});
    QSignalSpy stored(&station(), &MainStation::readingStored);
    port->deliver(realtime(7));
    ASSERT_EQ(stored.count(), 1);
    EXPECT_EQ(folder->rows("select dizhi,MinuteAverage,danwei1,Foward,Reverse,danwei2,zhuangtai,"
                           "liusu,baifenbi,dianzu,CreateTime<>'' from yibiaodizhi order by dizhi"),
              QStringList({"1||||||||||NULL", "2||||||||||NULL",
                           "7|12.50|m3/h|100.25|3.50|m3|Communication OK|1.50|42.00|1800.00|1"}));
    EXPECT_EQ(shown(2).section('|', 0, 8),
              QStringLiteral("7|12.50|m3/h|100.25|m3|Communication OK|1.50|42.00|1800.00"));
    EXPECT_FALSE(shown(2).section('|', 9).isEmpty()); // the time
    EXPECT_EQ(shown(0), QStringLiteral("1|||||||||"));
    EXPECT_EQ(station().liveGrid().currentAddress(), 1);

    // The Copy keys give the selected row.
    window->liveGridView()->selectRow(2);
    QTest::keyClick(window->liveGridView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().contains("\r\n7\t12.50\tm3/h\t100.25\t"));
}

TEST_F(MainWindowTest, PollsInAddressOrderPastASilentMeterAndAStopAndRead) {
    start({3, 1, 2});
    for (int pass = 0; pass < 2; ++pass)
        for (int meter = 1; meter <= 3; ++meter) {
            station().polling().tick();
            if (meter != 2)
                port->deliver(realtime(meter, float(10 * meter + pass)));
            if (pass == 0 && meter == 2) {
                station().readMeterData();
                station().stopReading();
                station().readMeterData();
            }
        }
    station().stopReading();
    EXPECT_EQ(asked(), QList<int>({1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(folder->column("select MinuteAverage from yibiaodizhi order by dizhi"),
              QStringList({"11.00", "", "31.00"}));
}

TEST_F(MainWindowTest, SilentMeterIsMutedAndTheOthersGoOn) {
    start({1, 2, 3});
    QSignalSpy silent(&station().health(), &LineHealth::meterSilent);
    QSignalSpy back(&station().health(), &LineHealth::meterAnswering);
    station().readMeterData();
    const auto pass = [&](bool meter2Answers) {
        for (int meter = 1; meter <= 3; ++meter) {
            station().polling().tick();
            if (meter != 2 || meter2Answers)
                port->deliver(realtime(meter));
        }
    };
    pass(true);
    for (int i = 0; i < 3; ++i)
        pass(false);
    station().polling().tick(); // meter 1 again: meter 2's third miss is known

    LiveGridModel& grid = station().liveGrid();
    const QString text = grid.index(1, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(text.startsWith("No reply since ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(" (3 polls)")) << text.toStdString();
    EXPECT_EQ(grid.index(1, 5).data(Qt::AccessibleDescriptionRole).toString(), text);
    EXPECT_TRUE(grid.index(1, 3).data(Qt::ForegroundRole).isValid());
    for (int row : {0, 2}) // the others are drawn as always
        EXPECT_FALSE(grid.index(row, 3).data(Qt::ForegroundRole).isValid()) << row;
    // The row still shows its last reading.
    EXPECT_EQ(shown(1).section('|', 1, 1), "12.50");
    ASSERT_EQ(silent.size(), 1);
    EXPECT_EQ(silent[0][0].toInt(), 2);

    // A damaged reply is no answer either; a good one brings the row back.
    station().polling().tick(); // meter 2
    QByteArray damaged = realtime(2);
    damaged[10] = char(damaged[10] ^ 0x40);
    port->deliver(damaged);
    station().polling().tick(); // meter 3: the damaged poll ended
    EXPECT_TRUE(grid.index(1, 0).data(Qt::ToolTipRole).toString().endsWith("(4 polls)"));
    station().polling().tick(); // meter 1
    station().polling().tick(); // meter 2
    port->deliver(realtime(2, 7.0f));
    EXPECT_EQ(back.size(), 1);
    EXPECT_FALSE(grid.index(1, 3).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(grid.index(1, 0).data(Qt::ToolTipRole).isValid());
}

TEST_F(MainWindowTest, LineStatisticsWindowShowsTheCountsLiveAndResets) {
    start({1, 2});
    station().readMeterData();
    station().pollTimer().setInterval({}); // only the polls below, however slow the test runs
    for (int i = 0; i < 4; ++i) {          // 1, 2 (silent), 1, 2
        station().polling().tick();
        if (i != 1)
            port->deliver(realtime(1 + i % 2));
    }
    click("Line Statistics");
    LineStatisticsWindow* stats = window->loadedLineStatisticsWindow();
    ASSERT_TRUE(stats && stats->isVisible());
    EXPECT_EQ(stats->windowTitle(), "Line statistics");
    const QAbstractItemModel& model = stats->model();
    ASSERT_EQ(model.rowCount(), 3); // meters 1 and 2, then the line
    const auto row = [&](int r) {
        QStringList cells;
        for (int column : {0, 1, 2, 3, 4})
            cells << model.index(r, column).data().toString();
        return cells.join('|');
    };
    EXPECT_EQ(row(0), "1|2|2|0|0");
    EXPECT_EQ(row(1), "2|2|1|0|1");
    EXPECT_EQ(row(2), LineStatisticsModel::lineRowCaption() + "|4|3|0|1");
    EXPECT_FALSE(model.index(0, 5).data().toString().isEmpty()); // last reply time
    EXPECT_FALSE(model.index(0, 6).data().toString().isEmpty()); // median

    // Live: the next poll shows without any action.
    station().polling().tick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(0) == "1|3|2|0|0"; }, 2000));
    click("Reset", stats);
    EXPECT_EQ(model.rowCount(), 1); // no meter seen since the reset
    EXPECT_EQ(row(0), LineStatisticsModel::lineRowCaption() + "|0|0|0|0");
}

TEST_F(MainWindowTest, HighlightFollowsThePollsWithoutScrollingTheGrid) {
    QList<int> meters;
    for (int meter = 1; meter <= 60; ++meter)
        meters << meter;
    start(meters);
    QTableView* view = window->liveGridView();
    LiveGridModel& grid = station().liveGrid();
    const QSignalSpy cursor(&grid, &LiveGridModel::currentRowChanged);
    for (int poll = 0; poll < 50; ++poll)
        station().polling().tick();
    EXPECT_EQ(cursor.count(), 0); // not before the frame
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->currentIndex().row() == 50; }, 1000));
    EXPECT_EQ(cursor.count(), 1);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    EXPECT_EQ(view->selectionModel()->selectedRows(), QModelIndexList({grid.index(50, 0)}));
}

} // namespace
