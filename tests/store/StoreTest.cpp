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
    StartingDatabase::Options options;
    options.meters = std::move(list);
    return options;
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
    const RowSet query = Record(QStringLiteral("select * from kente"), db.connection());
    ASSERT_TRUE(query.isOpen() && query.rowCount() == 1);
    EXPECT_EQ(query.value(QStringLiteral("Settings"))->toString(), QStringLiteral("9600"));
    EXPECT_FALSE(
        Record(QStringLiteral("update yibiaodizhi set zhuangtai='x'"), db.connection()).isOpen());
    EXPECT_EQ(
        Record(QStringLiteral("select * from yibiaodizhi where zhuangtai='x'"), db.connection())
            .rowCount(),
        2);
    const RowSet nowhere = Record(QStringLiteral("select * from nowhere"), db.connection());
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_FALSE(nowhere.value(QStringLiteral("dizhi")).has_value());
}

// A reading touches only its meter's row and keeps what it lacks; the snapshot
// files each value in its column, whatever the columns' order.
TEST(MeterTable, StoreReadingAndSnapshot) {
    ProgramFolder folder(meters({1, 7}));
    ASSERT_TRUE(folder.exec(QStringLiteral("update yibiaodizhi set danwei1='l/s'")));
    ASSERT_TRUE(folder.exec(QStringLiteral("drop table Historydata")));
    ASSERT_TRUE(folder.exec(QStringLiteral(
        "create table Historydata (CreateTime TEXT, dianzu TEXT, baifenbi TEXT, liusu TEXT, "
        "zhuangtai TEXT, danwei2 TEXT, Reverse TEXT, Foward TEXT, danwei1 TEXT, "
        "MinuteAverage TEXT, dizhi TEXT)")));
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
                                          "danwei2,zhuangtai,liusu,baifenbi,dianzu,CreateTime "
                                          "from %1 order by dizhi");
    const QStringList rows{"1||l/s||||||||NULL", "7|flowRate|l/s|forwardTotal|reverseTotal|"
                                                 "totalizerUnit|status|flowSpeed|spanPercentage|"
                                                 "electrodeImpedance|2026-12-06 10:11:12"};
    EXPECT_EQ(folder.rows(select.arg("yibiaodizhi")), rows);
    ASSERT_TRUE(table.snapshot().isDone());
    EXPECT_EQ(folder.rows(select.arg("Historydata")), rows);
}

TEST(OperationLog, RowsInColumnOrderWithTheTimeGiven) {
    ProgramFolder folder;
    Database db(folder.path());
    OperationLog log(db.connection());
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    ASSERT_TRUE(log.append({2, "RX71000042", "Damping", "3", "5", when}).isDone());
    ASSERT_TRUE(log.append({1, "it's #1", "Language", {}, "English", when.addSecs(1)}).isDone());
    EXPECT_EQ(folder.rows(QStringLiteral("select * from caozuo")),
              QStringList({"2|RX71000042|Damping|3|5|2026-01-02 03:04:05",
                           "1|it's #1|Language||English|2026-01-02 03:04:06"}));
}

} // namespace
