#include "PublishTable.h"
#include "Database.h"
#include "ProgramFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

PublishSettings startingSettings() {
    return {false, "localhost", 1883, "rx7100", "", "", "", "", 1};
}

// Everything in the database but the publish table: its schema and rows.
QStringList everythingElse(const ProgramFolder& folder) {
    QStringList all = folder.column(QStringLiteral(
        "select sql from sqlite_master where name<>'publish' and sql is not null order by name"));
    for (const char* table : {"kente", "yibiaodizhi", "Historydata", "caozuo"})
        all << folder.rows(QStringLiteral("select * from %1").arg(QLatin1String(table)));
    return all;
}

TEST(PublishTable, OlderDatabaseGetsTheTableAndItsRowAndNothingElseChanges) {
    const struct {
        const char* name;
        const char* olderState;
    } cases[] = {
        {"no table", "drop table publish"},
        {"table without its row", "delete from publish"},
    };
    for (const auto& c : cases) {
        ProgramFolder folder({.meters = QList<int>{1, 7},
                              .com = 2,
                              .settings = "19200",
                              .noe = 1,
                              .timer = 300,
                              .timesj = 9,
                              .publish = {}});
        ASSERT_TRUE(folder.exec(
            QStringLiteral("insert into Historydata (dizhi, Foward) values ('7', '12.50')")));
        ASSERT_TRUE(folder.exec(QString::fromLatin1(c.olderState)));
        const QStringList before = everythingElse(folder);

        Database db(folder.path());
        PublishTable table(db.connection());
        EXPECT_FALSE(table.read().has_value()) << c.name;
        EXPECT_TRUE(table.addIfMissing());
        EXPECT_TRUE(table.addIfMissing()); // a second start adds nothing
        EXPECT_EQ(table.read(), startingSettings());
        EXPECT_EQ(folder.column(QStringLiteral("select count(*) from publish")), QStringList{"1"});
        EXPECT_EQ(everythingElse(folder), before) << c.name;
    }
}

TEST(PublishTable, StoresEveryValueAsGivenAndReadsNoNumberAsZero) {
    ProgramFolder folder;
    Database db(folder.path());
    PublishTable table(db.connection());
    EXPECT_EQ(table.read(), startingSettings());
    EXPECT_EQ(PublishTable::startingSettings(), startingSettings());
    const PublishSettings settings{
        true,     "broker.plant.example", 8883, "plant/'north'", "line \"4\"", "reader",
        "p'w;--", "/etc/ca.pem",          0};
    ASSERT_TRUE(table.store(settings).isDone());
    EXPECT_EQ(table.read(), settings);
    ASSERT_TRUE(folder.exec(QStringLiteral("delete from publish")));
    ASSERT_TRUE(table.store(settings).isDone()); // no row: one is added
    EXPECT_EQ(table.read(), settings);

    ASSERT_TRUE(
        folder.exec(QStringLiteral("update publish set enabled='yes', port='x', qos=NULL")));
    const std::optional<PublishSettings> read = table.read();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(QList<int>({read->enabled, read->port, read->qos}), QList<int>({0, 0, 0}));
}

} // namespace
