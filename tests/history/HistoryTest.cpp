#include "Checkpointer.h"
#include "Database.h"
#include "DeleteRunner.h"
#include "HistoryTab.h"
#include "HistoryTable.h"
#include "HistoryWindow.h"
#include "ProgramFolder.h"

#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Days around one fixed today, so a run across midnight still agrees.
QString day(int offset) {
    static const QDate today = QDate::currentDate();
    return today.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}
QString at(int offset, const char* clock) {
    return day(offset) + QLatin1Char(' ') + QLatin1String(clock);
}
const QString All = QStringLiteral("All");

// Run over each table: false the snapshots, true the operation log.
class HistoryTabTest : public ::testing::TestWithParam<bool> {
protected:
    static const HistoryTable& tableOf(bool log) {
        return log ? HistoryTable::operationLog() : HistoryTable::snapshots();
    }
    const HistoryTable& table() const { return tableOf(GetParam()); }
    const HistoryTab::Texts& texts() const {
        return GetParam() ? HistoryTab::operationLogTexts() : HistoryTab::snapshotTexts();
    }

    // A row with only its filter value and time set; a null time stays NULL.
    void store(const HistoryTable& into, const QString& key, const QString& time) {
        QSqlQuery insert(db->connection());
        ASSERT_TRUE(insert.prepare(QStringLiteral("insert into %1 (%2,%3) values (?,?)")
                                       .arg(into.table(), into.filterColumn(), into.timeColumn())));
        insert.addBindValue(key);
        insert.addBindValue(time.isEmpty() ? QVariant() : QVariant(time));
        ASSERT_TRUE(insert.exec());
    }
    // Every row the grid can fetch, as "key|time".
    QStringList shown() {
        HistoryGridModel& model = tab->model();
        while (model.canFetchMore({}))
            model.fetchMore({});
        const int key = model.columnOf(table().filterColumn());
        const int time = model.columnOf(table().timeColumn());
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row)
            rows << model.index(row, key).data().toString() + QLatin1Char('|') +
                        model.index(row, time).data().toString();
        return rows;
    }
    // Lets a started delete run to its end, two rows a batch.
    void finishDelete() {
        if (!tab->isDeleting())
            return;
        tab->runningDelete()->setBatchRows(2);
        QSignalSpy finished(tab.get(), &HistoryTab::deleteFinished);
        ASSERT_TRUE(finished.wait(10000));
    }
    QStringList stored(const HistoryTable& in) const {
        return folder.rows(QStringLiteral("select %1,%2 from %3 order by %2,%1")
                               .arg(in.filterColumn(), in.timeColumn(), in.table()));
    }

    ProgramFolder folder;
    std::unique_ptr<Database> db = std::make_unique<Database>(folder.path());
    Checkpointer checkpointer{folder.path(), std::chrono::milliseconds(0)};
    std::unique_ptr<HistoryTab> tab = std::make_unique<HistoryTab>(
        table(), texts(), db->connection(), folder.path(), checkpointer);
};

TEST_P(HistoryTabTest, LoadShowsTheFiftyOldestOldestFirst) {
    // Stored newest first, so the table's own order is not the answer.
    for (int minute = 59; minute >= 0; --minute)
        store(table(), QStringLiteral("A"),
              QStringLiteral("2024-01-01 10:%1:00").arg(minute, 2, 10, QLatin1Char('0')));
    tab->load();
    const QStringList rows = shown();
    ASSERT_EQ(rows.size(), 50);
    EXPECT_EQ(rows.first(), QStringLiteral("A|2024-01-01 10:00:00"));
    EXPECT_EQ(rows.last(), QStringLiteral("A|2024-01-01 10:49:00"));
}

TEST_P(HistoryTabTest, PartlyReadResultHoldsNoReadOpenOnTheStore) {
    // More rows than the grid reads at first, so it stays partly read while
    // another connection (the main window's) goes on storing.
    for (int second = 0; second < 600; ++second)
        store(table(), QStringLiteral("A"),
              day(0) + QTime(10, 0).addSecs(second).toString(QStringLiteral(" hh:mm:ss")));
    tab->search(day(0), day(1), All);
    ASSERT_TRUE(tab->model().canFetchMore({}));

    Database elsewhere(folder.path());
    QSqlQuery insert(elsewhere.connection());
    ASSERT_TRUE(
        insert.prepare(QStringLiteral("insert into %1 (%2,%3) values (?,?)")
                           .arg(table().table(), table().filterColumn(), table().timeColumn())));
    const auto storeElsewhere = [&](const QString& key, const QString& time) {
        insert.addBindValue(key);
        insert.addBindValue(time);
        ASSERT_TRUE(insert.exec());
    };
    // Enough to fill the log well past its size limit; then, once it has
    // been copied back, the next commit restarts it: no read of the grid's
    // holds on to it.
    for (int row = 0; row < 3000; ++row)
        storeElsewhere(QString(600, QLatin1Char('x')), at(-2, "12:00:00"));
    const QString log = folder.databasePath() + QStringLiteral("-wal");
    ASSERT_GT(QFileInfo(log).size(), 1000 * 4096);
    QSignalSpy caughtUp(&checkpointer, &Checkpointer::caughtUp);
    checkpointer.request();
    ASSERT_TRUE(caughtUp.wait(10000));
    storeElsewhere(QStringLiteral("B"), at(0, "23:00:00"));
    // Restarted: the log holds that one commit's frames and no more.
    QSqlQuery frames(elsewhere.connection());
    ASSERT_TRUE(frames.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) && frames.next());
    EXPECT_LT(frames.value(1).toInt(), 100);

    // The grid still reads on to its end: its own rows, not the newer one.
    EXPECT_EQ(shown().size(), 600);
    tab->search(day(0), day(1), All);
    EXPECT_EQ(shown().size(), 601);

    tab->search(day(0), day(1), QStringLiteral("A"));
    tab->deleteRecord(day(0), day(1), All);
    finishDelete();
    EXPECT_EQ(stored(table()).filter(day(0)), QStringList());
}

TEST_P(HistoryTabTest, ScrolledToItsEndTheGridReadsLetGoPagesAgain) {
    // More rows than the pages the grid holds, with a hundred rows a time.
    ASSERT_TRUE(
        folder.exec(QStringLiteral("insert into %1 (%2,%3) ")
                        .arg(table().table(), table().filterColumn(), table().timeColumn()) +
                    "with recursive n(i) as (select 0 union all select i+1 from n where i<4999) "
                    "select printf('%d', i % 100), '" +
                    day(0) + " 08:00:' || printf('%02d', i / 100) from n"));
    tab->search(day(0), day(1), All);
    HistoryGridModel& model = tab->model();
    const QString first = model.index(0, model.columnOf(table().filterColumn())).data().toString() +
                          model.index(0, model.columnOf(table().timeColumn())).data().toString();
    const QStringList rows = shown();
    ASSERT_EQ(rows.size(), 5000);
    EXPECT_EQ(rows.first(), "0|" + at(0, "08:00:00"));
    EXPECT_EQ(rows.last(), "99|" + at(0, "08:00:49"));
    EXPECT_EQ(model.index(0, model.columnOf(table().filterColumn())).data().toString() +
                  model.index(0, model.columnOf(table().timeColumn())).data().toString(),
              first);
    EXPECT_EQ(shown(), rows);
}

INSTANTIATE_TEST_SUITE_P(Tables, HistoryTabTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "caozuo" : "Historydata");
});

// Waits for the tab's delete, if one runs, to end.
bool finishDelete(HistoryWindow& window, int index) {
    HistoryTab& tab = window.tab(index);
    if (!tab.isDeleting())
        return true;
    QSignalSpy finished(&tab, &HistoryTab::deleteFinished);
    return finished.wait(10000);
}

TEST(HistoryWindow, BoxesDriveEachTabOfASecondWindow) {
    ProgramFolder folder;
    // Today's rows for meters 1 and 2 and serials S1 and S2, and an older row in each table.
    const QString rows = QStringLiteral("('%1','%3'),('%2','%3'),('%1','2020-01-01 00:00:00')");
    folder.exec("insert into Historydata (dizhi,CreateTime) values " +
                rows.arg("1", "2", day(0) + " 09:00:00"));
    folder.exec("insert into caozuo (bianma,riqi) values " +
                rows.arg("S1", "S2", day(0) + " 09:00:00"));
    auto first = std::make_unique<HistoryWindow>(folder.path());
    HistoryWindow window(folder.path());
    first.reset(); // its connection goes, the second window's stays
    const char* firstCaption[] = {"Meter Address", "Operation security level"};
    for (int tab : {HistoryWindow::SnapshotTab, HistoryWindow::OperationLogTab}) {
        const HistoryWindow::TabControls& c = window.controls(tab);
        EXPECT_EQ(QStringList({c.date->text(), c.to->text(), c.filter->text()}),
                  QStringList({day(0), day(1), All}));
        QAbstractItemModel* model = c.grid->model();
        EXPECT_EQ(model->rowCount(), 3);
        EXPECT_EQ(model->index(0, model->columnCount() - 1).data().toString(),
                  QStringLiteral("2020-01-01 00:00:00"));
        // A new binding keeps the captions and the grid read-only.
        QTest::mouseClick(c.search, Qt::LeftButton);
        EXPECT_EQ(model->rowCount(), 2);
        EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), firstCaption[tab]);
        for (int column = 0; column < model->columnCount(); ++column)
            EXPECT_FALSE(model->flags(model->index(0, column)) & Qt::ItemIsEditable);
    }

    // The typed filter reaches the delete; "Delete all" empties only its own table.
    const HistoryWindow::TabControls& history = window.controls(HistoryWindow::SnapshotTab);
    history.filter->clear();
    QTest::keyClicks(history.filter, QStringLiteral("2"));
    QTest::mouseClick(history.deleteRecord, Qt::LeftButton);
    ASSERT_TRUE(finishDelete(window, HistoryWindow::SnapshotTab));
    EXPECT_EQ(folder.column("select dizhi from Historydata"), QStringList({"1", "1"}));
    QTest::mouseClick(window.controls(HistoryWindow::OperationLogTab).deleteAll, Qt::LeftButton);
    ASSERT_TRUE(finishDelete(window, HistoryWindow::OperationLogTab));
    EXPECT_TRUE(folder.column("select * from caozuo").isEmpty());
    EXPECT_EQ(folder.column("select * from Historydata").size(), 2);
}

TEST(HistoryWindow, DeleteShowsItsProgressAndOutlivesAClose) {
    ProgramFolder folder;
    folder.exec("insert into Historydata (dizhi,CreateTime) with recursive n(i) as (select 0 "
                "union all select i+1 from n where i<299) select '1', strftime('%Y-%m-%d "
                "%H:%M:%S', '" +
                day(0) + " 10:00:00', '+' || i || ' seconds') from n");
    folder.exec("insert into caozuo (bianma,riqi) values ('S1','" + day(0) + " 10:00:00')");
    QPointer<HistoryWindow> window = new HistoryWindow(folder.path());
    window->setAttribute(Qt::WA_DeleteOnClose); // as the main window opens it
    window->show();
    const HistoryWindow::TabControls& c = window->controls(HistoryWindow::SnapshotTab);
    QTest::mouseClick(c.deleteRecord, Qt::LeftButton);
    HistoryTab& tab = window->tab(HistoryWindow::SnapshotTab);
    ASSERT_TRUE(tab.isDeleting());
    tab.runningDelete()->setBatchRows(10);
    QSignalSpy progress(&tab, &HistoryTab::deleteProgress);
    QSignalSpy finished(&tab, &HistoryTab::deleteFinished);
    EXPECT_TRUE(c.progress->isVisible());
    for (QPushButton* button : {c.search, c.deleteRecord, c.deleteAll})
        EXPECT_FALSE(button->isEnabled());
    // The other tab goes on working meanwhile.
    EXPECT_TRUE(window->controls(HistoryWindow::OperationLogTab).search->isEnabled());

    // Closed mid-way it hides, carries the delete through, and then goes.
    ASSERT_TRUE(progress.wait(5000));
    EXPECT_TRUE(window->close() == false && !window->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 10000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_GT(progress.count(), 2);
    EXPECT_TRUE(folder.column("select * from Historydata").isEmpty());

    // A shown window gets its buttons back.
    HistoryWindow again(folder.path());
    const HistoryWindow::TabControls& log = again.controls(HistoryWindow::OperationLogTab);
    QTest::mouseClick(log.deleteAll, Qt::LeftButton);
    ASSERT_TRUE(finishDelete(again, HistoryWindow::OperationLogTab));
    EXPECT_TRUE(log.deleteAll->isEnabled() && log.progress->isHidden());
    EXPECT_TRUE(folder.column("select * from caozuo").isEmpty());
}

TEST(HistoryWindow, MissingDatabaseShowsNothingAndCreatesNothing) {
    ProgramFolder empty({}, false);
    HistoryWindow missing(empty.path());
    for (int tab : {HistoryWindow::SnapshotTab, HistoryWindow::OperationLogTab}) {
        const HistoryWindow::TabControls& c = missing.controls(tab);
        for (QPushButton* button : {c.search, c.deleteRecord, c.deleteAll})
            QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(c.grid->model()->rowCount(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(empty.databasePath()));
}

} // namespace
