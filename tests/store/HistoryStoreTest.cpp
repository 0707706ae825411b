#include "BatchedDelete.h"
#include "Database.h"
#include "HistoryRows.h"
#include "ProgramFolder.h"
#include "ReadAhead.h"
#include "SnapshotPruning.h"
#include "SnapshotTrend.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One stored history of either kind, filled and read as "key|time" rows.
class HistoryStoreTest : public ::testing::TestWithParam<bool> {
protected:
    const HistoryTable& table() const {
        return GetParam() ? HistoryTable::operationLog() : HistoryTable::snapshots();
    }
    // A row with only its key and time, stored by a connection of its own; no time is NULL.
    void store(const QString& key, const QString& time) {
        ASSERT_TRUE(folder.exec(QStringLiteral("insert into %1 (%2,%3) values ('%4',%5)")
                                    .arg(table().table(), table().filterColumn(),
                                         table().timeColumn(), QString(key).replace("'", "''"),
                                         time.isEmpty() ? "NULL" : "'" + time + "'")));
    }
    // Keys 1, 2 and "O'Neil #2" around 5 March, ties and no time; the last in the day, on line 2.
    void storeAroundTheFifth() {
        ASSERT_TRUE(folder.exec("delete from " + table().table()));
        for (const char* key : {"1", "2", "O'Neil #2"})
            for (const char* time :
                 {"", "2024-03-04 23:59:59", "2024-03-05 00:00:00", "2024-03-05 12:00:00",
                  "2024-03-05 12:00:00", "2024-03-06 00:00:00", "2024-03-06 00:00:01"})
                store(key, time);
        store("2", "2024-03-05 06:00:00");
        ASSERT_TRUE(GetParam() || folder.exec("update Historydata set line=2 where rowid=22"));
    }
    QString rowText(const QVariant& key, const QVariant& time) const {
        return key.toString() + '|' + (time.isNull() ? QStringLiteral("NULL") : time.toString());
    }
    QStringList stored() const {
        return folder.rows(QStringLiteral("select %1,%2 from %3 order by rowid")
                               .arg(table().filterColumn(), table().timeColumn(), table().table()));
    }
    QStringList searched(const QString& from, const QString& to, const QString& filter,
                         std::optional<int> line = std::nullopt) {
        QSqlQuery query(db.connection());
        const std::optional<BoundStatement> search = table().search(from, to, filter, line);
        if (!search || !search->runOn(query))
            return {QStringLiteral("refused")};
        QStringList rows;
        while (query.next())
            rows << rowText(query.value(table().filterColumn()), query.value(table().timeColumn()));
        return rows;
    }

    ProgramFolder folder;
    Database db{folder.path()};
};

// Both days whole, every key and line or one; a batched delete leaves what one statement would.
TEST_P(HistoryStoreTest, SearchAndBatchedDeleteTakeTheRangeAndOneLiteralKey) {
    const std::tuple<const char*, const char*, const char*, qsizetype, int, int> cases[] = {
        {"2024-03-05", "2024-03-06", "All", 13, 1, 0},
        {"2024-03-05", "2024-03-06", "", 13, 4, 0},
        {"2024-03-05", "2024-03-06", "O'Neil #2", 4, 1, 0},
        {"2024-03-05", "2024-03-05", "All", 3, 3, 0},
        {"2024-03-06", "2024-03-05", "All", 0, 1, 0},
        {"2024-03-05", "2024-03-06", "all", 0, 1, 0},
        {"2024-03-05", "2024-03-06", "All ", 0, 1, 0},
        {"2024-03-05", "2024-03-06", "1' or '1'='1", 0, 1, 0},
        {" 2024-3-5", "2024-03-06\t", " 2 ", 5, 2, 0},
        {"2024-03-05", "2024-03-06", "All", 1, 1, 2},
        {"2024-03-05", "2024-03-06", " 2 ", 4, 2, 1},
        {nullptr, nullptr, nullptr, 0, 5, 0},
        {nullptr, nullptr, nullptr, 0, 1000, 0},
    };
    for (const auto& [from, to, filter, rows, batchRows, lineNumber] : cases) {
        if (lineNumber && GetParam())
            continue; // the log has no lines
        const std::optional<int> line = lineNumber ? std::optional(lineNumber) : std::nullopt;
        storeAroundTheFifth();
        QStringList expected = filter ? stored() : QStringList();
        for (const QString& row : filter ? searched(from, to, filter, line) : QStringList())
            expected.removeOne(row);
        EXPECT_EQ(stored().size() - expected.size(), filter ? rows : 22) << filter;
        std::optional<BatchedDelete> job =
            filter ? BatchedDelete::range(table(), db.connection(), from, to, filter, line)
                   : BatchedDelete::all(table(), db.connection());
        ASSERT_TRUE(job);
        double progress = job->progress();
        for (int batch = 0; !job->finished() && batch < 100; ++batch) {
            ASSERT_TRUE(job->next(batchRows));
            EXPECT_GE(job->progress(), progress);
            progress = job->progress();
            // Stored while the delete goes on: a delete at the start would have left it.
            if (batch == 0) {
                store("2", "2024-03-05 01:00:00");
                expected << QStringLiteral("2|2024-03-05 01:00:00");
            }
        }
        EXPECT_TRUE(job->finished());
        EXPECT_EQ(job->progress(), 1.0);
        EXPECT_EQ(stored(), expected) << (filter ? filter : "all") << batchRows;
    }
    for (const char* day : {"2023-02-29", "2024-13-01", "tomorrow", "#2024-03-05#",
                            "2024-03-05 12:00", "2024-03-05' or '1'='1"}) {
        EXPECT_EQ(searched(day, "2024-03-06", "All"), QStringList{"refused"}) << day;
        EXPECT_FALSE(BatchedDelete::range(table(), db.connection(), day, "2024-03-06", ""));
    }
}

TEST_P(HistoryStoreTest, PagesReadTheSearchInItsOrderAcrossTies) {
    storeAroundTheFifth();
    for (int minute = 0; minute < 40; ++minute) // forty times, each shared by three rows
        for (const char* key : {"1", "2", "3"})
            store(key, QStringLiteral("2024-03-05 07:%1:00").arg(minute, 2, 10, QLatin1Char('0')));
    const char* to = "2024-03-07";
    for (const char* filter : {"All", "2", "O'Neil #2", "all"})
        for (int pageRows : {1, 2, 3, 7, 500}) {
            const std::optional<HistoryRows> rows =
                HistoryRows::search(table(), db.connection(), "2024-03-05", to, filter);
            ASSERT_TRUE(rows);
            const int keyAt = int(rows->columns().indexOf(table().filterColumn()));
            const int timeAt = int(rows->columns().indexOf(table().timeColumn()));
            QStringList read;
            std::optional<HistoryRows::Key> after;
            for (int page = 0; page < 1000; ++page) {
                const HistoryRows::Page next = rows->after(after, pageRows);
                for (const QVariantList& row : next.rows)
                    read << rowText(row.value(keyAt), row.value(timeAt));
                if (next.rows.size() < pageRows)
                    break;
                after = next.last;
            }
            EXPECT_EQ(read, searched("2024-03-05", to, filter)) << filter << pageRows;
        }

    // The first rows: one page of 50, no time first; later rows join only a refreshed copy.
    const HistoryRows first = HistoryRows::firstRows(table(), db.connection());
    store("9", {});
    const auto keys = [&](const HistoryRows& rows) {
        const QList<QVariantList> page = rows.after(std::nullopt, 1).rows;
        QStringList found{QString::number(page.size())};
        for (const QVariantList& row : page.mid(0, 4))
            found << row.value(rows.columns().indexOf(table().filterColumn())).toString();
        return found;
    };
    EXPECT_EQ(keys(first), QStringList({"50", "1", "2", "O'Neil #2", "1"}));
    EXPECT_EQ(keys(first.refreshed()), QStringList({"50", "1", "2", "O'Neil #2", "9"}));
}

TEST_P(HistoryStoreTest, StatementsForLargeHistoriesUseAnIndexAndNoSort) {
    const QString time = table().table() + '_' + table().timeColumn();
    const QString both =
        table().table() + '_' + table().filterColumn() + '_' + table().timeColumn();
    const QString rowid = QStringLiteral("INTEGER PRIMARY KEY");
    store("7", "2024-03-05 01:00:00");
    const QSqlDatabase c = db.connection();
    const char *from = "2024-03-05", *to = "2024-03-06";
    const QString at = QStringLiteral("2024-03-05 01:00:00");
    const HistoryRows::Key key{at, 1};
    const BatchedDelete day = *BatchedDelete::range(table(), c, from, to, "All");
    const BatchedDelete meter = *BatchedDelete::range(table(), c, from, to, "7");
    const BatchedDelete all = BatchedDelete::all(table(), c);
    const ReadAhead dayAhead(folder.path(), day);
    const ReadAhead allAhead(folder.path(), all);
    const std::pair<BoundStatement, QString> cases[] = {
        {*table().search(from, to, "All"), time},
        {*table().search(from, to, "7"), both},
        {HistoryRows::firstRows(table(), c).pageStatement(std::nullopt, 50), time},
        {HistoryRows::search(table(), c, from, to, "All")->pageStatement(key, 256), time},
        {HistoryRows::search(table(), c, from, to, "7")->pageStatement(key, 256), both},
        {day.batchStatement(1000), time},
        {meter.keyStatement(Qt::DescendingOrder), both},
        {meter.batchStatement(1000), both},
        {meter.lastRowStatement(), rowid},
        {all.batchStatement(1000), rowid},
        {dayAhead.rowsStatement(ReadAhead::Key{at, 1}, 2000), time},
        {allAhead.rowsStatement(ReadAhead::Key{1, 1}, 2000), rowid},
        {allAhead.timesStatement(at, at), time},
        {allAhead.filterStatement("7", at, at), both},
        {SnapshotTrend::rows("7", "2024-01-01 00:00:00", "2025-01-01 00:00:00", 2),
         "Historydata_dizhi_CreateTime"},
    };
    for (const auto& [statement, index] : cases) {
        BoundStatement plan = statement;
        plan.sql.prepend(QStringLiteral("EXPLAIN QUERY PLAN "));
        QSqlQuery query(db.connection());
        ASSERT_TRUE(plan.runOn(query)) << statement.sql.toStdString();
        QString details = statement.sql + '\n';
        while (query.next())
            details += query.value(3).toString() + QLatin1Char('\n');
        SCOPED_TRACE(details.toStdString());
        EXPECT_TRUE(details.contains(QRegularExpression("USING (COVERING )?(INDEX )?" + index)));
        EXPECT_FALSE(details.contains(QStringLiteral("TEMP B-TREE")));
        EXPECT_FALSE(details.contains(QRegularExpression("SCAN " + table().table() + "\\s*$",
                                                         QRegularExpression::MultilineOption)));
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, HistoryStoreTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "caozuo" : "Historydata");
});

// Pruning takes the snapshots older than the days kept that the rollups hold, a batch at a
// time: no newer one, none past `through`, never the log.
TEST(SnapshotPruning, TakesOnlyOldRowsTheRollupsHold) {
    // Rows 1 to 5; three days back from the moment below is 2026-03-05 12:00:00.
    const char* const rows = "('1','2026-03-01 00:00:00'),('2','2026-03-01 00:00:00'),"
                             "('1','2026-03-05 11:59:59'),('1','2026-03-05 12:00:00'),"
                             "('1','2026-02-01 00:00:00'),('1',NULL)";
    const QDateTime now(QDate(2026, 3, 8), QTime(12, 0));
    const std::tuple<int, int, int, QStringList> cases[] = {
        {3, 5, 1, {"4", "6"}},         // a row at a time, oldest first
        {3, 4, 1000, {"4", "5", "6"}}, // past `through`: stays though older
        {3, 2, 1000, {"3", "4", "5", "6"}},
        {0, 6, 1000, {"1", "2", "3", "4", "5", "6"}}, // 0 keeps every one
        {3, 0, 1000, {"1", "2", "3", "4", "5", "6"}}, // nothing summed yet
        {60, 6, 1000, {"1", "2", "3", "4", "5", "6"}},
    };
    for (const auto& [days, through, batch, left] : cases) {
        ProgramFolder folder;
        ASSERT_TRUE(folder.exec(
            QStringLiteral("insert into Historydata (dizhi,CreateTime) values ") + rows));
        ASSERT_TRUE(folder.exec("insert into caozuo (bianma,riqi) values ('S1','2020-01-01')"));
        ASSERT_TRUE(folder.exec(QStringLiteral("update kente set keep_days=%1").arg(days)));
        ASSERT_TRUE(folder.exec(QStringLiteral("update rollup_state set through=%1").arg(through)));
        Database db(folder.path());
        std::optional<SnapshotPruning> pruning = SnapshotPruning::due(db.connection(), now);
        ASSERT_EQ(pruning.has_value(), days > 0);
        for (int step = 0; pruning && !pruning->finished(); ++step) {
            ASSERT_LT(step, 10);
            ASSERT_LE(pruning->next(batch).value_or(-1), batch);
        }
        EXPECT_EQ(folder.column("select rowid from Historydata order by rowid"), left) << days;
        EXPECT_EQ(pruning ? pruning->deleted() : 0, 6 - left.size()) << through;
        EXPECT_EQ(folder.column("select count(*) from caozuo"), QStringList{"1"});
    }
}

TEST(ReadAhead, ReadsEveryRowButKeepsABoundedLeadOnTheDelete) {
    ProgramFolder folder;
    const qint64 rows = ReadAhead::MostRowsAhead + 10000;
    ASSERT_TRUE(folder.exec(QStringLiteral("insert into Historydata (dizhi,CreateTime) with "
                                           "recursive n(i) as (select 1 union all select i+1 "
                                           "from n where i<%1) select i % 7, "
                                           "'2024-03-05 10:00:00' from n")
                                .arg(rows)));
    Database db(folder.path());
    const BatchedDelete job = BatchedDelete::all(HistoryTable::snapshots(), db.connection());
    ReadAhead ahead(folder.path(), job);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ahead.hasRead(ReadAhead::MostRowsAhead); }, 10000));
    QTest::qWait(100); // it waits for the delete rather than reading on
    EXPECT_FALSE(ahead.hasRead(rows - 1));
    ahead.setDeleted(rows / 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ahead.hasRead(rows); }, 10000));
}

} // namespace
