#include "DeleteRunner.h"
#include "HistoryTab.h"
#include "HistoryWindow.h"
#include "MainStation.h"
#include "SimulatedLine.h"

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
    const QDate today = QDate::currentDate();
    ASSERT_TRUE(tool.folder.exec(
        "insert into Historydata (dizhi,CreateTime) with recursive n(i) as (select 0 union all "
        "select i+1 from n where i<39999) select printf('%d', 1 + i % 3), strftime('%Y-%m-%d "
        "%H:%M:%S', '" +
        today.toString(Qt::ISODate) + " 00:00:00', '+' || (i / 2) || ' seconds') from n"));
    ASSERT_TRUE(tool.folder.exec("insert into Historydata (dizhi,CreateTime) values ('1','" +
                                 today.addDays(-1).toString(Qt::ISODate) + " 12:00:00')"));
    ASSERT_TRUE(tool.load());
    MainStation& station = tool.window->station();
    station.readMeterData();
    tool.window->history();
    HistoryWindow* history = tool.window->loadedHistoryWindow();
    ASSERT_NE(history, nullptr);

    // "Delete record" over today, in small batches so it takes many turns.
    QTest::mouseClick(history->controls(HistoryWindow::SnapshotTab).deleteRecord, Qt::LeftButton);
    HistoryTab& tab = history->tab(HistoryWindow::SnapshotTab);
    ASSERT_TRUE(tab.isDeleting());
    tab.runningDelete()->setBatchRows(20);
    int storedWhileDeleting = 0;
    QObject::connect(&station, &MainStation::readingStored, &tab, [&] {
        if (tab.isDeleting())
            ++storedWhileDeleting;
    });
    QSignalSpy finished(&tab, &HistoryTab::deleteFinished);
    ASSERT_TRUE(finished.wait(60000));
    station.stopReading();

    EXPECT_GT(storedWhileDeleting, 0);
    EXPECT_EQ(tool.folder.column("select count(*) from yibiaodizhi where CreateTime is null"),
              QStringList({"0"}));
    EXPECT_EQ(tool.folder.rows("select dizhi,CreateTime from Historydata"),
              QStringList({"1|" + today.addDays(-1).toString(Qt::ISODate) + " 12:00:00"}));
}

} // namespace
