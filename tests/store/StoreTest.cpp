#include "AlarmJournal.h"
#include "Database.h"
#include "MeterTable.h"
#include "OperationLog.h"
#include "ProgramFolder.h"
#include "Record.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

StartingDatabase::Options meters(QList<int> list) {
    return {std::move(list), {}, {}, {}, {}, {}, {}};
}

TEST(Database, MissingFileFailsAnOddPathOpensAndRecordQueriesAndUpdates) {
    ProgramFolder missing({}, false);
    Database none(missing.path());
    EXPECT_FALSE(none.isOpen());
    EXPECT_EQ(none.errorCode(), 14); // SQLite's "cannot open"
    EXPECT_FALSE(QFileInfo::exists(missing.databasePath()));

    const QString dir = missing.path() + QStringLiteral("/Flow Meter's #tool");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(StartingDatabase::create(Database::filePath(dir), meters({1, 2})));
    Database db(dir);
    const auto record = [&](const char* sql) {
        return Record(QString::fromLatin1(sql), db.connection());
    };
    const RowSet query = record("select * from kente");
    ASSERT_TRUE(query.isOpen() && query.rowCount() == 1);
    EXPECT_EQ(query.value(QStringLiteral("Settings"))->toString(), QStringLiteral("9600"));
    EXPECT_FALSE(record("update yibiaodizhi set zhuangtai='x'").isOpen());
    EXPECT_EQ(record("select * from yibiaodizhi where zhuangtai='x'").rowCount(), 2);
    const RowSet nowhere = record("select * from nowhere");
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_FALSE(nowhere.value(QStringLiteral("dizhi")).has_value());
}

// A reading touches only its meter's row; the snapshot files each value by column name.
TEST(MeterTable, StoreReadingAndSnapshot) {
    ProgramFolder folder(meters({1, 7}));
    ASSERT_TRUE(folder.exec(QStringLiteral("update yibiaodizhi set danwei1='l/s'")));
    ASSERT_TRUE(folder.exec(QStringLiteral("drop table Historydata")));
    ASSERT_TRUE(folder.exec(QStringLiteral(
        "create table Historydata (CreateTime TEXT, dianzu TEXT, baifenbi TEXT, liusu TEXT, "
        "zhuangtai TEXT, danwei2 TEXT, Reverse TEXT, Foward TEXT, danwei1 TEXT, "
        "MinuteAverage TEXT, line INTEGER, read_at INTEGER, dizhi TEXT)")));
    Database db(folder.path());
    MeterTable table(db.connection());
    Reading reading;
    reading.address = 7;
    for (const ReadingValue& value : readingValues)
        reading.*value.member = QString::fromLatin1(value.key);
    reading.flowRateUnit.reset();
    reading.time = QDateTime(QDate(2026, 12, 6), QTime(10, 11, 12));
    EXPECT_TRUE(table.storeReading(reading).isDone());
    reading.address = 8;
    EXPECT_EQ(table.storeReading(reading).outcome, StoreWrite::Outcome::NoSuchRow); // not listed
    const QString select = QStringLiteral("select dizhi,MinuteAverage,danwei1,Foward,Reverse,"
                                          "danwei2,zhuangtai,liusu,baifenbi,dianzu,CreateTime,"
                                          "read_at from %1 order by dizhi");
    const QStringList rows{"1||l/s||||||||NULL|NULL",
                           "7|flowRate|l/s|forwardTotal|reverseTotal|totalizerUnit|status|"
                           "flowSpeed|spanPercentage|electrodeImpedance|2026-12-06 10:11:12|" +
                               QString::number(reading.time.toMSecsSinceEpoch())};
    EXPECT_EQ(folder.rows(select.arg("yibiaodizhi")), rows);
    ASSERT_TRUE(table.snapshot().isDone());
    EXPECT_EQ(folder.rows(select.arg("Historydata")), rows);
}

TEST(OperationLog, RowsInColumnOrderWithTheTimeGiven) {
    ProgramFolder folder;
    Database db(folder.path());
    OperationLog log(db.connection());
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    ASSERT_TRUE(log.append({1, "it's #1", "Language", {}, "English", when}).isDone());
    EXPECT_EQ(folder.rows(QStringLiteral("select * from caozuo")),
              QStringList({"1|it's #1|Language||English|2026-01-02 03:04:05"}));
}

// Came, went and acknowledged once each; a search finds the rows that came
// or went in its range or lasted over it, of the line and meter asked.
TEST(AlarmJournal, RowsComeGoAreAcknowledgedOnceAndFoundByOverlap) {
    ProgramFolder folder;
    Database db(folder.path());
    AlarmJournal journal(db.connection());
    qint64 a = 0, b = 0, c = 0;
    ASSERT_TRUE(journal.came(1, 2, "Empty Pipe Alarm", 1000, &a).isDone());
    ASSERT_TRUE(journal.came(1, 3, "No Reply", 2000, &b).isDone());
    ASSERT_TRUE(journal.came(2, 2, "Low Battery Alarm", 5000, &c).isDone());
    EXPECT_TRUE(journal.went(1, 2, "Empty Pipe Alarm", 3000).isDone());
    EXPECT_TRUE(journal.went(2, 2, "Low Battery Alarm", 6000).isDone());
    EXPECT_EQ(journal.went(1, 2, "Empty Pipe Alarm", 3500).outcome, StoreWrite::Outcome::NoSuchRow);
    EXPECT_TRUE(journal.acknowledge(a, 2500, 2).isDone());
    EXPECT_EQ(journal.acknowledge(a, 2600, 1).outcome, StoreWrite::Outcome::NoSuchRow);
    EXPECT_EQ(journal.open(), QList<AlarmOccurrence>({{b, 1, 3, "No Reply", 2000, {}, {}, {}}}));

    const struct {
        const char* what;
        AlarmJournal::Search search;
        QList<qint64> found;
    } cases[] = {
        {"before all", {0, 999}, {}},
        {"came at the end", {0, 1000}, {a}},
        {"went at the start, newest first", {3000, 4000}, {b, a}},
        {"gone before the start", {3001, 4000}, {b}},
        {"lasting over it", {7000, 9000}, {b}},
        {"one line, oldest first", {0, 9000, 1, {}, false}, {a, b}},
        {"one meter", {0, 9000, {}, 2}, {c, a}},
        {"one meter of one line", {0, 9000, 2, 2}, {c}},
    };
    for (const auto& test : cases) {
        QList<qint64> found;
        for (const AlarmOccurrence& row : journal.search(test.search))
            found << row.id;
        EXPECT_EQ(found, test.found) << test.what;
    }
    EXPECT_EQ(journal.search({0, 1000}).value(0),
              (AlarmOccurrence{a, 1, 2, "Empty Pipe Alarm", 1000, 3000, 2500, 2}));
}

} // namespace
