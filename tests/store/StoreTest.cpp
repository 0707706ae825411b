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
    QTemporaryDir parent;
    const QString dir = parent.filePath(QStringLiteral("Flow Meter's #tool"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(StartingDatabase::create(Database::filePath(dir), {}));
    Database db(dir, QStringLiteral("t"));
    ASSERT_TRUE(db.isOpen());
    EXPECT_EQ(Record(QStringLiteral("select * from kente"), db.connection()).rowCount(), 1);
}

TEST(Record, QueryUpdateAndMissingTable) {
    ProgramFolder folder(meters({1, 2}));
    Database db(folder.path(), QStringLiteral("t"));
    const RowSet query = Record(QStringLiteral("select * from kente"), db.connection());
    ASSERT_TRUE(query.isOpen() && !query.eof());
    EXPECT_EQ(query.value(QStringLiteral("Settings"))->toString(), QStringLiteral("9600"));

    EXPECT_FALSE(
        Record(QStringLiteral("update yibiaodizhi set zhuangtai='x'"), db.connection()).isOpen());
    EXPECT_EQ(folder.column(QStringLiteral("select zhuangtai from yibiaodizhi")),
              QStringList({"x", "x"}));

    const RowSet missing = Record(QStringLiteral("select * from nowhere"), db.connection());
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.value(QStringLiteral("dizhi")).has_value());
}

TEST(MeterTable, StoreReadingTouchesOnlyItsRowAndKeepsWhatItLacks) {
    ProgramFolder folder(meters({1, 7}));
    ASSERT_TRUE(folder.exec(QStringLiteral("update yibiaodizhi set danwei1='l/s'")));
    Database db(folder.path(), QStringLiteral("t"));
    MeterTable table(db.connection());
    StoredReading reading;
    reading.Foward = QStringLiteral("4294967295.25");
    reading.Reverse = QStringLiteral("0.00");
    reading.zhuangtai = QStringLiteral("Communication OK");
    const QDateTime when(QDate(2026, 12, 6), QTime(10, 11, 12));
    EXPECT_TRUE(table.storeReading(7, reading, when));
    EXPECT_FALSE(table.storeReading(8, reading, when)); // not listed: nothing stored
    EXPECT_EQ(folder.rows(QStringLiteral("select * from yibiaodizhi order by dizhi")),
              QStringList({"1||l/s||||||||NULL",
                           "7||l/s|4294967295.25|0.00||Communication OK||||2026-12-06 10:11:12"}));
}

TEST(OperationLog, RowsInColumnOrderWithTheTimeGiven) {
    ProgramFolder folder;
    Database db(folder.path(), QStringLiteral("t"));
    OperationLog log(db.connection());
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    ASSERT_TRUE(log.append({2, "RX71000042", "Damping", "3", "5", when}));
    ASSERT_TRUE(log.append({1, "it's #1", "Language", {}, "English", when.addSecs(1)}));
    EXPECT_EQ(folder.rows(QStringLiteral("select * from caozuo")),
              QStringList({"2|RX71000042|Damping|3|5|2026-01-02 03:04:05",
                           "1|it's #1|Language||English|2026-01-02 03:04:06"}));
}

} // namespace
