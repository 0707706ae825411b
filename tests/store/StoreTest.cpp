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

} // namespace
