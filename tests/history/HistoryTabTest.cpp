#include "HistoryTab.h"
#include "Database.h"
#include "HistoryTable.h"
#include "ProgramFolder.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
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
    Database db(folder.path(), QStringLiteral("t"));
    for (const HistoryTable* table : {&HistoryTable::snapshots(), &HistoryTable::operationLog()}) {
        const QString timeIndex = table->table() + QLatin1Char('_') + table->timeColumn();
        const QString bothIndex = table->table() + QLatin1Char('_') + table->filterColumn() +
                                  QLatin1Char('_') + table->timeColumn();
        const std::pair<BoundStatement, QString> cases[] = {
            {table->firstRows(), timeIndex},
            {*table->search(day(0), day(1), QStringLiteral("All")), timeIndex},
            {*table->search(day(0), day(1), QStringLiteral("7")), bothIndex},
            {*table->rangedDelete(day(0), day(1), QString()), timeIndex},
            {*table->rangedDelete(day(0), day(1), QStringLiteral("7")), bothIndex},
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
            EXPECT_TRUE(
                details.contains(QRegularExpression(QStringLiteral("INDEX %1\\b").arg(index))))
                << statement.sql.toStdString() << "\n"
                << details.toStdString();
            EXPECT_FALSE(details.contains(QStringLiteral("TEMP B-TREE"))) << details.toStdString();
        }
    }
}

struct TabCase {
    const char* name;
    const HistoryTable* table;
    const HistoryTab::Texts* texts;
    const HistoryTable* other;
};
void PrintTo(const TabCase& tab, std::ostream* os) {
    *os << tab.name;
}

class HistoryTabTest : public ::testing::TestWithParam<TabCase> {
protected:
    void SetUp() override {
        db = std::make_unique<Database>(folder.path(), QStringLiteral("t"));
        tab = std::make_unique<HistoryTab>(table(), *GetParam().texts, db->connection());
    }
    void TearDown() override {
        tab.reset();
        db.reset();
    }
    const HistoryTable& table() const { return *GetParam().table; }

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
    std::unique_ptr<Database> db;
    std::unique_ptr<HistoryTab> tab;
};

TEST_P(HistoryTabTest, DefaultDatesFindTheDayWithBothEnds) {
    storeAroundToday(table());
    tab->search(day(0), day(1), QStringLiteral("All"));
    EXPECT_EQ(shown(), QStringList({"A|" + at(0, "00:00:00"), "B|" + at(0, "00:00:00"),
                                    "A|" + at(0, "12:00:00"), "B|" + at(0, "12:00:00"),
                                    "A|" + at(1, "00:00:00"), "B|" + at(1, "00:00:00")}));

    // After a delete the grid shows what is left of its rows.
    tab->deleteRecord(day(0), day(1), QStringLiteral("A"));
    EXPECT_EQ(shown(), QStringList({"B|" + at(0, "00:00:00"), "B|" + at(0, "12:00:00"),
                                    "B|" + at(1, "00:00:00")}));
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
        {"#", {}},
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

TEST_P(HistoryTabTest, UnreadableDateShowsNoRowsAndDeletesNothing) {
    storeAroundToday(table());
    const QStringList before = stored(table());
    tab->search(QStringLiteral("2024-13-01"), day(1), QStringLiteral("All"));
    EXPECT_EQ(tab->model().rowCount(), 0);
    EXPECT_EQ(tab->model().columnCount(), GetParam().texts->captions.size());
    tab->deleteRecord(day(0), QStringLiteral("#") + day(1) + "#", QStringLiteral("All"));
    EXPECT_EQ(stored(table()), before);
}

TEST_P(HistoryTabTest, DeletesRemoveExactlyTheRangeOrTheirOwnTable) {
    storeAroundToday(table());
    storeAroundToday(*GetParam().other);
    const QStringList otherBefore = stored(*GetParam().other);
    const QStringList tableBefore = stored(table());

    tab->deleteRecord(day(0), day(1), QStringLiteral("1' or '1'='1"));
    EXPECT_EQ(stored(table()), tableBefore);

    tab->deleteRecord(day(0), day(1), QStringLiteral("B"));
    EXPECT_EQ(stored(table()).filter(QStringLiteral("B|")),
              QStringList({"B|" + at(-1, "23:59:59"), "B|" + at(1, "00:00:01")}));

    tab->deleteRecord(day(0), day(1), QStringLiteral("All"));
    EXPECT_EQ(stored(table()),
              QStringList({"A|NULL", "A|" + at(-1, "23:59:59"), "B|" + at(-1, "23:59:59"),
                           "A|" + at(1, "00:00:01"), "B|" + at(1, "00:00:01")}));
    tab->deleteAll();
    EXPECT_TRUE(stored(table()).isEmpty());
    EXPECT_EQ(stored(*GetParam().other), otherBefore);
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
    // the main window's connection stores more.
    for (int second = 0; second < 600; ++second)
        store(table(), QStringLiteral("A"),
              QStringLiteral("%1 10:%2:%3")
                  .arg(day(0))
                  .arg(second / 60, 2, 10, QLatin1Char('0'))
                  .arg(second % 60, 2, 10, QLatin1Char('0')));
    tab->search(day(0), day(1), QStringLiteral("All"));
    ASSERT_TRUE(tab->model().canFetchMore());
    ASSERT_TRUE(folder.exec(QStringLiteral("insert into %1 (%2,%3) values ('B','%4')")
                                .arg(table().table(), table().filterColumn(), table().timeColumn(),
                                     at(0, "23:00:00"))));
    tab->search(day(0), day(1), QStringLiteral("All"));
    EXPECT_EQ(shown().size(), 601);

    tab->search(day(0), day(1), QStringLiteral("A"));
    ASSERT_TRUE(folder.exec(QStringLiteral("insert into %1 (%2,%3) values ('C','%4')")
                                .arg(table().table(), table().filterColumn(), table().timeColumn(),
                                     at(-1, "23:00:00"))));
    tab->deleteRecord(day(0), day(1), QStringLiteral("All"));
    EXPECT_EQ(stored(table()), QStringList({"C|" + at(-1, "23:00:00")}));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, HistoryTabTest,
    ::testing::Values(TabCase{"Historydata", &HistoryTable::snapshots(),
                              &HistoryTab::snapshotTexts(), &HistoryTable::operationLog()},
                      TabCase{"caozuo", &HistoryTable::operationLog(),
                              &HistoryTab::operationLogTexts(), &HistoryTable::snapshots()}),
    [](const ::testing::TestParamInfo<TabCase>& info) { return std::string(info.param.name); });

} // namespace
