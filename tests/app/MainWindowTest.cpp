#include "AlarmReport.h"
#include "AlarmsWindow.h"
#include "LineStatisticsModel.h"
#include "LineStatisticsWindow.h"
#include "LiveGridModel.h"
#include "LoginWindow.h"
#include "PollingCycle.h"
#include "ReplyFrames.h"
#include "ToolTest.h"

#include <QClipboard>
#include <QTableView>

namespace {

// A real-time reply: m3/h, totals 100.25 and 3.5 m3, speed 1.5, span 42 %, 1800 ohm, and no
// alarm unless the empty pipe's.
QByteArray realtime(int address, float flow = 12.5f, bool emptyPipe = false) {
    return replyFrame(
        48,
        {{0, f32(flow) + u16(7) + u32(100) + f32(0.25f) + u16(6) + u32(3) + f32(0.5f)},
         {30, u16(emptyPipe ? 1 : 0)},
         {36, f32(1.5f) + f32(42.0f) + f32(1800.0f)}},
        address);
}

class MainWindowTest : public ToolTest {
protected:
    bool visible(const char* text) const { return button(text)->isVisibleTo(window.get()); }
    // A row of a model, its cells joined by '|'.
    static QString shown(const QAbstractItemModel& model, int row, int columns = 10) {
        QStringList cells;
        for (int column = 0; column < columns; ++column)
            cells << model.index(row, column).data().toString();
        return cells.join('|');
    }
    QString shown(int row) { return shown(window->liveGrid(), row); }
};

TEST_F(MainWindowTest, ReadAndStopMoveBetweenStatesAndAHintOutlastsTheMouse) {
    start({1}, 250);
    IntervalTimer& poll = station().pollTimer();
    IntervalTimer& snapshot = station().snapshotTimer();
    EXPECT_EQ(poll.interval().count(), 0);
    EXPECT_FALSE(poll.isTicking() || snapshot.isEnabled() || visible("Stop Reading"));
    for (int round = 0; round < 2; ++round) {
        click("Read Meter Data");
        EXPECT_TRUE(visible("Stop Reading") && !visible("Read Meter Data"));
        EXPECT_EQ(poll.interval().count(), 250);
        EXPECT_EQ(snapshot.interval().count(), 60000);
        EXPECT_TRUE(poll.isTicking() && snapshot.isTicking());
        click("Stop Reading");
        EXPECT_TRUE(visible("Read Meter Data") && !visible("Stop Reading"));
        EXPECT_EQ(poll.interval().count() + snapshot.interval().count(), 0);
        EXPECT_FALSE(poll.isTicking() || snapshot.isEnabled());
    }
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QCoreApplication::sendEvent(button("History"), &enter);
    QCoreApplication::sendEvent(button("History"), &leave);
    EXPECT_EQ(window->statusText(), QStringLiteral("Notice:History"));
}

TEST_F(MainWindowTest, StartUpBlanksTheReadingsAndTheGridRowIsThePollCursor) {
    start({11, 9, 10});
    folder->exec("update yibiaodizhi set MinuteAverage='1.00',danwei1='l/s',Foward='2.00',"
                 "Reverse='3.00',danwei2='l',zhuangtai='Communication OK',liusu='1.00',"
                 "baifenbi='2.00',dianzu='3.00',CreateTime='2026-01-01 00:00:00'");
    ASSERT_EQ(launch(), 0); // the next start-up
    window->show();
    EXPECT_EQ(folder->rows("select * from yibiaodizhi order by dizhi"),
              QStringList({"9||||||||||NULL|1|NULL", "10||||||||||NULL|1|NULL",
                           "11||||||||||NULL|1|NULL"}));
    EXPECT_EQ(QStringList({shown(0), shown(1), shown(2)}),
              QStringList({"9|||||||||", "10|||||||||", "11|||||||||"}));

    QTableView* view = window->liveGridView();
    MeterCursor& cursor = station().cursor();
    EXPECT_EQ(cursor.currentAddress(), 9);
    view->selectRow(2);
    EXPECT_EQ(cursor.currentAddress(), 11);
    cursor.moveToNext();
    EXPECT_EQ(cursor.currentAddress(), 9);
    // The highlight follows with the next frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->currentIndex().row() == 0; }, 1000));
    view->selectRow(1);
    station().callDataGrid1(); // a reload starts over
    EXPECT_EQ(cursor.currentAddress(), 9);
}

TEST_F(MainWindowTest, PollsInAddressOrderAndStoresEachReplyInItsMetersRow) {
    start({7, 1, 2});
    for (int pass = 0; pass < 2; ++pass)
        for (int meter : {1, 2, 7}) {
            station().polling().tick();
            if (meter != 2) // silent
                port->deliver(realtime(meter, float(10 * meter + pass)));
            if (pass == 0 && meter == 2) { // a stop and read go on from there
                station().readMeterData();
                station().stopReading();
                station().readMeterData();
            }
        }
    EXPECT_EQ(asked(), QList<int>({1, 2, 7, 1, 2, 7}));
    station().flushReadings(); // readings are committed in groups
    const QString stored = "|m3/h|100.25|3.50|m3|Communication OK|1.50|42.00|1800.00|1";
    EXPECT_EQ(folder->rows("select dizhi,MinuteAverage,danwei1,Foward,Reverse,danwei2,zhuangtai,"
                           "liusu,baifenbi,dianzu,CreateTime<>'' from yibiaodizhi order by dizhi"),
              QStringList({"1|11.00" + stored, "2||||||||||NULL", "7|71.00" + stored}));
    // The grid shows the row and the Copy keys give it.
    window->liveGridView()->selectRow(2);
    QTest::keyClick(window->liveGridView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().contains("\r\n7\t71.00\tm3/h\t100.25\t"));
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
    const QAbstractItemModel& model = window->loadedLineStatisticsWindow()->model();
    const QString line = LineStatisticsModel::lineRowCaption();
    EXPECT_EQ(QStringList({shown(model, 0, 5), shown(model, 1, 5), shown(model, 2, 5)}),
              QStringList({"1|2|2|0|0", "2|2|1|0|1", line + "|4|3|0|1"}));
    station().polling().tick(); // shown without any action
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(model, 0, 5) == "1|3|2|0|0"; }, 2000));
    click("Reset", window->loadedLineStatisticsWindow());
    EXPECT_EQ(model.rowCount(), 1); // no meter seen since the reset
    EXPECT_EQ(shown(model, 0, 5), line + "|0|0|0|0");
}

// The alarms the last run left open are active from when they came; the
// operator acknowledges one at the level logged in with; the next replies
// close what is gone and tell a new alarm in the status bar.
TEST_F(MainWindowTest, AlarmsLeftOpenAreAcknowledgedAtTheLoginLevelAndClosedByReplies) {
    prepare({QList<int>{1, 2}, {}, {}, {}, {}, {}, {}});
    ASSERT_TRUE(folder->exec("insert into alarm_journal (line,address,alarm,came) values "
                             "(1,1,'Empty Pipe Alarm',1000),(1,2,'No Reply',2000)"));
    ASSERT_EQ(launch(), 0);
    window->meterParameterSetup();
    window->loadedLoginWindow()->codeBox()->setText(LoginWindow::BasicCode);
    window->loadedLoginWindow()->ok();
    click("Alarms");
    AlarmsWindow* alarms = window->loadedAlarmsWindow();
    auto* active = alarms->findChild<QTableView*>("Active alarms");
    ASSERT_EQ(active->model()->rowCount(), 2);
    EXPECT_EQ(shown(*active->model(), 0, 3),
              "Line 1 / 1|Empty Pipe Alarm|" +
                  AlarmReport::timeText(1000, QTimeZone::systemTimeZone()));
    active->selectRow(0);
    click("Acknowledge", alarms);
    const auto journal = [this] {
        return folder->rows("select address,alarm,went is null,ifnull(acknowledged_by,'-') "
                            "from alarm_journal order by rowid");
    };
    EXPECT_EQ(journal(), QStringList({"1|Empty Pipe Alarm|1|1", "2|No Reply|1|-"}));
    EXPECT_TRUE(shown(*active->model(), 0, 5).endsWith("(level 1)"));

    for (int meter : {1, 2}) {
        station().polling().tick();
        port->deliver(realtime(meter, 1.0f, meter == 2));
    }
    station().flushReadings();
    EXPECT_TRUE(QTest::qWaitFor([&] { return journal().size() == 3; }, 5000));
    EXPECT_EQ(journal(),
              QStringList({"1|Empty Pipe Alarm|0|1", "2|No Reply|0|-", "2|Empty Pipe Alarm|1|-"}));
    EXPECT_EQ(window->statusText(), "Notice:Empty Pipe Alarm, Line 1 meter 2");
    EXPECT_EQ(active->model()->rowCount(), 1);
}

} // namespace
