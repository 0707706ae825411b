#include "Database.h"
#include "HistoryTab.h"
#include "HistoryTable.h"
#include "HistoryWindow.h"
#include "ProgramFolder.h"

#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
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

TEST(HistoryTable, TypedDays) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"2024-03-05", QStringLiteral("2024-03-05 00:00:00")},
        {" 2024-3-5\t", QStringLiteral("2024-03-05 00:00:00")},
        {"2023-02-29", std::nullopt},
        {"2024-13-01", std::nullopt},
        {"tomorrow", std::nullopt},
        {"#2024-03-05#", std::nullopt},
        {"2024-03-05' or '1'='1", std::nullopt},
        {"2024-03-05 12:00", std::nullopt},
    };
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(HistoryTable::dayStart(QString::fromLatin1(typed)), expected) << typed;
}

TEST(HistoryTable, SearchesAndDeletesUseTheIndexes) {
    ProgramFolder folder;
    Database db(folder.path());
    for (const HistoryTable* table : {&HistoryTable::snapshots(), &HistoryTable::operationLog()}) {
        const QString time = table->table() + '_' + table->timeColumn();
        const QString both =
            table->table() + '_' + table->filterColumn() + '_' + table->timeColumn();
        const std::pair<BoundStatement, QString> cases[] = {
            {table->firstRows(), time},
            {*table->search(day(0), day(1), All), time},
            {*table->search(day(0), day(1), QStringLiteral("7")), both},
            {*table->rangedDelete(day(0), day(1), QString()), time},
            {*table->rangedDelete(day(0), day(1), QStringLiteral("7")), both},
        };
        for (const auto& [statement, index] : cases) {
            QSqlQuery plan(db.connection());
            ASSERT_TRUE(plan.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + statement.sql));
            for (const QVariant& value : statement.values)
                plan.addBindValue(value);
            ASSERT_TRUE(plan.exec());
            QString details;
            while (plan.next())
                details += plan.value(3).toString() + QLatin1Char('\n');
            SCOPED_TRACE(statement.sql.toStdString() + "\n" + details.toStdString());
            EXPECT_TRUE(details.contains(QRegularExpression("INDEX " + index + "\\b")));
            EXPECT_FALSE(details.contains(QStringLiteral("TEMP B-TREE")));
        }
    }
}

// Run over each table: false the snapshots, true the operation log.
class HistoryTabTest : public ::testing::TestWithParam<bool> {
protected:
    static const HistoryTable& tableOf(bool log) {
        return log ? HistoryTable::operationLog() : HistoryTable::snapshots();
    }
    const HistoryTable& table() const { return tableOf(GetParam()); }
    const HistoryTable& other() const { return tableOf(!GetParam()); }
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
    // The day's edges and both neighbours, for keys A and B, and one row
    // without a time.
    void storeAroundToday(const HistoryTable& into) {
        for (const char* key : {"A", "B"})
            for (const QString& time : {at(-1, "23:59:59"), at(0, "00:00:00"), at(0, "12:00:00"),
                                        at(1, "00:00:00"), at(1, "00:00:01")})
                store(into, QString::fromLatin1(key), time);
        store(into, QStringLiteral("A"), QString());
    }
    // Every row the grid can fetch, as "key|time".
    QStringList shown() {
        HistoryGridModel& model = tab->model();
        while (model.canFetchMore())
            model.fetchMore();
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QSqlRecord record = model.record(row);
            rows << record.value(table().filterColumn()).toString() + QLatin1Char('|') +
                        record.value(table().timeColumn()).toString();
        }
        return rows;
    }
    QStringList stored(const HistoryTable& in) const {
        return folder.rows(QStringLiteral("select %1,%2 from %3 order by %2,%1")
                               .arg(in.filterColumn(), in.timeColumn(), in.table()));
    }

    ProgramFolder folder;
    std::unique_ptr<Database> db = std::make_unique<Database>(folder.path());
    std::unique_ptr<HistoryTab> tab =
        std::make_unique<HistoryTab>(table(), texts(), db->connection());
};

TEST_P(HistoryTabTest, DefaultDatesFindTheDayWithBothEnds) {
    storeAroundToday(table());
    tab->search(day(0), day(1), All);
    EXPECT_EQ(shown(), QStringList({"A|" + at(0, "00:00:00"), "B|" + at(0, "00:00:00"),
                                    "A|" + at(0, "12:00:00"), "B|" + at(0, "12:00:00"),
                                    "A|" + at(1, "00:00:00"), "B|" + at(1, "00:00:00")}));

    // After a delete the grid shows what is left of its rows.
    tab->deleteRecord(day(0), day(1), QStringLiteral("A"));
    EXPECT_EQ(shown(), QStringList({"B|" + at(0, "00:00:00"), "B|" + at(0, "12:00:00"),
                                    "B|" + at(1, "00:00:00")}));

    // A date that cannot be read shows no rows and deletes nothing.
    const QStringList before = stored(table());
    tab->search(QStringLiteral("2024-13-01"), day(1), All);
    EXPECT_EQ(tab->model().rowCount(), 0);
    EXPECT_EQ(tab->model().columnCount(), texts().captions.size());
    tab->deleteRecord(day(0), QStringLiteral("#") + day(1) + "#", All);
    EXPECT_EQ(stored(table()), before);
}

TEST_P(HistoryTabTest, FilterIsEveryoneOrOneLiteralValue) {
    storeAroundToday(table());
    store(table(), QStringLiteral("O'Neil #2"), at(0, "08:00:00"));
    const std::pair<const char*, QStringList> cases[] = {
        {"All", {"A", "B", "O'Neil #2"}},
        {"", {"A", "B", "O'Neil #2"}},
        {"all", {}},
        {"All ", {}},
        {" B ", {"B"}},
        {"O'Neil #2", {"O'Neil #2"}},
        {"1' or '1'='1", {}},
        {"A' --", {}},
    };
    for (const auto& [filter, keys] : cases) {
        tab->search(day(0), day(1), QString::fromLatin1(filter));
        QStringList found;
        for (const QString& row : shown())
            found << row.section(QLatin1Char('|'), 0, 0);
        found.removeDuplicates();
        found.sort();
        EXPECT_EQ(found, keys) << filter;
    }
}

TEST_P(HistoryTabTest, DeletesRemoveExactlyTheRangeOrTheirOwnTable) {
    storeAroundToday(table());
    storeAroundToday(other());
    const QStringList otherBefore = stored(other());
    const QStringList tableBefore = stored(table());

    tab->deleteRecord(day(0), day(1), QStringLiteral("1' or '1'='1"));
    EXPECT_EQ(stored(table()), tableBefore);

    tab->deleteRecord(day(0), day(1), QStringLiteral("B"));
    EXPECT_EQ(stored(table()).filter(QStringLiteral("B|")),
              QStringList({"B|" + at(-1, "23:59:59"), "B|" + at(1, "00:00:01")}));

    tab->deleteRecord(day(0), day(1), All);
    EXPECT_EQ(stored(table()),
              QStringList({"A|NULL", "A|" + at(-1, "23:59:59"), "B|" + at(-1, "23:59:59"),
                           "A|" + at(1, "00:00:01"), "B|" + at(1, "00:00:01")}));
    tab->deleteAll();
    EXPECT_TRUE(stored(table()).isEmpty());
    EXPECT_EQ(stored(other()), otherBefore);
}

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

TEST_P(HistoryTabTest, PartlyReadResultNeitherHidesNewRowsNorBlocksDeletes) {
    // More rows than the grid's first batch, so its result stays open while
    // another connection (the main window's) stores more.
    for (int second = 0; second < 600; ++second)
        store(table(), QStringLiteral("A"),
              day(0) + QTime(10, 0).addSecs(second).toString(QStringLiteral(" hh:mm:ss")));
    const auto storeElsewhere = [&](const char* key, const QString& time) {
        ASSERT_TRUE(folder.exec(
            QStringLiteral("insert into %1 (%2,%3) values ('%4','%5')")
                .arg(table().table(), table().filterColumn(), table().timeColumn(), key, time)));
    };
    tab->search(day(0), day(1), All);
    ASSERT_TRUE(tab->model().canFetchMore());
    storeElsewhere("B", at(0, "23:00:00"));
    tab->search(day(0), day(1), All);
    EXPECT_EQ(shown().size(), 601);

    tab->search(day(0), day(1), QStringLiteral("A"));
    storeElsewhere("C", at(-1, "23:00:00"));
    tab->deleteRecord(day(0), day(1), All);
    EXPECT_EQ(stored(table()), QStringList({"C|" + at(-1, "23:00:00")}));
}

INSTANTIATE_TEST_SUITE_P(Tables, HistoryTabTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "caozuo" : "Historydata");
});

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
    EXPECT_EQ(folder.column("select dizhi from Historydata"), QStringList({"1", "1"}));
    QTest::mouseClick(window.controls(HistoryWindow::OperationLogTab).deleteAll, Qt::LeftButton);
    EXPECT_TRUE(folder.column("select * from caozuo").isEmpty());
    EXPECT_EQ(folder.column("select * from Historydata").size(), 2);
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
