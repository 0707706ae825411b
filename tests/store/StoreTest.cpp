#include "Database.h"
#include "MeterTable.h"
#include "OperationLog.h"
#include "ProgramFolder.h"
#include "Record.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

StartingDatabase::Options meters(QList<int> list) {
    StartingDatabase::Options options;
    options.meters = std::move(list);
    return options;
}

TEST(Database, MissingFileIsAFailureWithSQLiteCodeAndCreatesNothing) {
    ProgramFolder folder({}, false);
    Database db(folder.path(), QStringLiteral("t"));
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(db.errorCode(), 14);
    EXPECT_FALSE(QFileInfo::exists(folder.databasePath()));
}

TEST(Database, OpensAFolderWithBlanksAndQuotesInItsPath) {
    // Program folders like "/opt/Flow Meter's tool" must open like any other.
    QTemporaryDir parent;
    const QString dir = parent.filePath(QStringLiteral("Flow Meter's #tool"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(StartingDatabase::create(Database::filePath(dir), {}));
    Database db(dir, QStringLiteral("t"));
    ASSERT_TRUE(db.isOpen());
    EXPECT_EQ(Record(QStringLiteral("select * from kente"), db.connection()).rowCount(), 1);
}

TEST(Record, QueryUpdateAndFailure) {
    ProgramFolder folder(meters({1, 2}));
    Database db(folder.path(), QStringLiteral("t"));

    const RowSet query = Record(QStringLiteral("select * from kente"), db.connection());
    ASSERT_TRUE(query.isOpen());
    EXPECT_FALSE(query.eof());
    EXPECT_EQ(query.value(QStringLiteral("Settings"))->toString(), QStringLiteral("9600"));

    const RowSet update =
        Record(QStringLiteral("update yibiaodizhi set zhuangtai='x'"), db.connection());
    EXPECT_FALSE(update.isOpen());
    EXPECT_EQ(folder.column(QStringLiteral("select zhuangtai from yibiaodizhi")),
              QStringList({"x", "x"}));

    const RowSet missing = Record(QStringLiteral("select * from nowhere"), db.connection());
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.value(QStringLiteral("dizhi")).has_value());
}

TEST(Record, BoundTextIsNeverPartOfTheStatement) {
    ProgramFolder folder(meters({1}));
    Database db(folder.path(), QStringLiteral("t"));
    const RowSet rows = Record(QStringLiteral("select * from yibiaodizhi where zhuangtai=?"),
                               db.connection(), {QStringLiteral("x' or '1'='1")});
    ASSERT_TRUE(rows.isOpen());
    EXPECT_EQ(rows.rowCount(), 0);
}

TEST(MeterTable, ClearReadingsBlanksReadingsAndKeepsAddresses) {
    ProgramFolder folder(meters({2, 7}));
    ASSERT_TRUE(folder.exec(QStringLiteral(
        "update yibiaodizhi set MinuteAverage='1.00',danwei1='m3/h',Foward='2.00',Reverse='3.00',"
        "danwei2='m3',zhuangtai='Communication OK',liusu='0.50',baifenbi='10.00',"
        "dianzu='5.00',CreateTime='2026-01-01 10:00:00'")));
    Database db(folder.path(), QStringLiteral("t"));
    MeterTable(db.connection()).clearReadings();
    EXPECT_EQ(folder.rows(QStringLiteral("select * from yibiaodizhi order by dizhi")),
              QStringList({"2||||||||||NULL", "7||||||||||NULL"}));
}

TEST(MeterTable, LiveRowsSortNumerically) {
    ProgramFolder folder(meters({11, 9, 10, 2}));
    Database db(folder.path(), QStringLiteral("t"));
    const RowSet rows = MeterTable(db.connection()).liveRows();
    QStringList order;
    for (const QVariantList& row : rows.rows())
        order << row.first().toString();
    EXPECT_EQ(order, QStringList({"2", "9", "10", "11"}));
    EXPECT_EQ(rows.columns(), MeterTable::liveColumns());
}

TEST(MeterTable, StoreReadingTouchesOnlyItsRowAndKeepsUnknownUnits) {
    ProgramFolder folder(meters({1, 7}));
    ASSERT_TRUE(folder.exec(QStringLiteral("update yibiaodizhi set danwei1='l/s'")));
    Database db(folder.path(), QStringLiteral("t"));
    MeterTable table(db.connection());
    StoredReading reading;
    reading.MinuteAverage = QStringLiteral("12.35");
    reading.Foward = QStringLiteral("4294967295.25");
    reading.Reverse = QStringLiteral("0.00");
    reading.danwei2 = QStringLiteral("m3");
    reading.zhuangtai = QStringLiteral("Communication OK");
    reading.liusu = QStringLiteral("1.00");
    reading.baifenbi = QStringLiteral("50.00");
    reading.dianzu = QStringLiteral("3.00");
    const QDateTime when(QDate(2026, 12, 6), QTime(10, 11, 12));
    EXPECT_TRUE(table.storeReading(7, reading, when));
    EXPECT_FALSE(table.storeReading(8, reading, when)); // not listed: nothing stored
    EXPECT_EQ(folder.rows(QStringLiteral("select * from yibiaodizhi order by dizhi")),
              QStringList({"1||l/s||||||||NULL",
                           "7|12.35|l/s|4294967295.25|0.00|m3|Communication OK|1.00|50.00|3.00|"
                           "2026-12-06 10:11:12"}));
}

TEST(MeterTable, SnapshotCopiesEveryRowWithTheAddressAsText) {
    ProgramFolder folder(meters({1, 2, 3}));
    Database db(folder.path(), QStringLiteral("t"));
    MeterTable table(db.connection());
    table.clearReadings();
    StoredReading reading;
    reading.MinuteAverage = QStringLiteral("1.00");
    table.storeReading(1, reading, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    table.storeReading(3, reading, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 6)));
    ASSERT_TRUE(table.snapshot());
    EXPECT_EQ(folder.rows(QStringLiteral(
                  "select dizhi, typeof(dizhi), MinuteAverage, CreateTime from Historydata")),
              QStringList({"1|text|1.00|2026-01-02 03:04:05", "2|text||NULL",
                           "3|text|1.00|2026-01-02 03:04:06"}));
}

TEST(OperationLog, RowInColumnOrderWithTheTimeGiven) {
    ProgramFolder folder;
    Database db(folder.path(), QStringLiteral("t"));
    OperationLog log(db.connection());
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(log.append({2, QStringLiteral("RX71000042"), QStringLiteral("Damping"),
                            QStringLiteral("3"), QStringLiteral("5"), now}));
    ASSERT_TRUE(log.append({1,
                            QStringLiteral("it's #1"),
                            QStringLiteral("Language"),
                            {},
                            QStringLiteral("English"),
                            now}));
    EXPECT_EQ(folder.rows(QStringLiteral("select * from caozuo")),
              QStringList({"2|RX71000042|Damping|3|5|" + MeterTable::timeText(now),
                           "1|it's #1|Language||English|" + MeterTable::timeText(now)}));
}

TEST(StartingDatabase, RefusesToOverwriteAndAppliesOptions) {
    ProgramFolder folder;
    EXPECT_FALSE(StartingDatabase::create(folder.databasePath(), {}));
    EXPECT_EQ(folder.rows(QStringLiteral("select com,settings,noe,timer,timesj from kente")),
              QStringList({"1|9600|0|500|5"}));
    EXPECT_EQ(folder.column(QStringLiteral("select dizhi from yibiaodizhi")), QStringList({"1"}));

    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    options.timer = 200;
    options.timesj = 1;
    ProgramFolder demo(options);
    EXPECT_EQ(demo.rows(QStringLiteral("select timer,timesj from kente")), QStringList({"200|1"}));
    EXPECT_EQ(demo.column(QStringLiteral("select dizhi from yibiaodizhi order by dizhi")),
              QStringList({"1", "2", "3"}));
}

} // namespace
