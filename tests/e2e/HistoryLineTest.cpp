#include "DeleteRunner.h"
#include "HistoryTab.h"
#include "HistoryWindow.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QDate>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(HistoryOverALine, DeleteGoesOnWhilePollingStoresReadings) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    options.timer = 20;
    ToolOnLine tool(options, {"--addresses", "1-3", "--baud", "115200", "--seed", "5"});
    // Forty thousand of today's snapshots, one a second, and one of yesterday's.
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QString yesterday = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    ASSERT_TRUE(tool.folder.exec(
        "insert into Historydata (dizhi,CreateTime) with recursive n(i) as (select 0 union all "
        "select i+1 from n where i<39999) select printf('%d', 1 + i % 3), strftime('%Y-%m-%d "
        "%H:%M:%S', '" +
        today + " 00:00:00', '+' || (i / 2) || ' seconds') from n union all select '1', '" +
        yesterday + " 12:00:00'"));
    ASSERT_TRUE(tool.load());
    Station& station = tool.window->station();
    station.readMeterData();
    tool.window->history();
    HistoryWindow* history = tool.window->loadedHistoryWindow();

    // "Delete record" over today, in small batches so it takes many turns.
    QTest::mouseClick(history->controls(HistoryWindow::SnapshotTab).deleteRecord, Qt::LeftButton);
    HistoryTab& tab = history->tab(HistoryWindow::SnapshotTab);
    ASSERT_TRUE(tab.isDeleting());
    tab.runningDelete()->setBatchRows(20);
    int storedWhileDeleting = 0;
    QObject::connect(&station, &Station::readingStored, &tab,
                     [&] { storedWhileDeleting += tab.isDeleting() ? 1 : 0; });
    ASSERT_TRUE(QSignalSpy(&tab, &HistoryTab::deleteFinished).wait(60000));
    station.stopReading();

    EXPECT_GT(storedWhileDeleting, 0);
    EXPECT_EQ(tool.folder.column("select count(*) from yibiaodizhi where CreateTime is null"),
              QStringList({"0"}));
    EXPECT_EQ(tool.folder.rows("select dizhi,CreateTime from Historydata"),
              QStringList({"1|" + yesterday + " 12:00:00"}));
}

} // namespace
