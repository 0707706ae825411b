#include "PublishTable.h"
#include "Database.h"
#include "ProgramFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Everything in the database but the publish table: its schema and rows.
QStringList everythingElse(const ProgramFolder& folder) {
    QStringList all = folder.column(QStringLiteral(
        "select sql from sqlite_master where name<>'publish' and sql is not null order by name"));
    for (const char* table : {"kente", "yibiaodizhi", "Historydata", "caozuo"})
        all << folder.rows(QStringLiteral("select * from %1").arg(QLatin1String(table)));
    return all;
}

// An older database gets the table and row, nothing else; values are stored as given.
TEST(PublishTable, AddedToAnOlderDatabaseStoresEveryValueAsGiven) {
    for (const char* olderState : {"drop table publish", "delete from publish"}) {
        const PublishSettings starting{false, "localhost", 1883, "rx7100", "", "", "", "", 1};
        ProgramFolder folder; // a new one has the disabled row
        EXPECT_EQ(PublishTable(Database(folder.path()).connection()).read(), starting);
        ASSERT_TRUE(folder.exec(QString::fromLatin1(olderState)));
        const QStringList before = everythingElse(folder);

        Database db(folder.path());
        PublishTable table(db.connection());
        EXPECT_FALSE(table.read().has_value()) << olderState;
        EXPECT_TRUE(table.addIfMissing());
        EXPECT_TRUE(table.addIfMissing()); // a second start adds nothing
        EXPECT_EQ(table.read(), starting);
        EXPECT_EQ(folder.column(QStringLiteral("select count(*) from publish")), QStringList{"1"});
        EXPECT_EQ(everythingElse(folder), before) << olderState;

        PublishSettings settings{
            true,     "broker.plant.example", 8883, "plant/'north'", "line \"4\"", "reader",
            "p'w;--", "/etc/ca.pem",          0};
        settings.discovery = true;
        PublishSettings stored = settings;
        stored.password.clear(); // never in the database
        ASSERT_TRUE(table.store(settings).isDone());
        EXPECT_EQ(table.read(), stored);
        EXPECT_EQ(table.storedPassword(), "");
        ASSERT_TRUE(folder.exec(QStringLiteral("delete from publish")));
        ASSERT_TRUE(table.store(settings).isDone()); // no row: one is added
        EXPECT_EQ(table.read(), stored);
        ASSERT_TRUE(
            folder.exec(QStringLiteral("update publish set enabled='yes', port='x', qos=NULL")));
        const PublishSettings read = table.read().value_or(settings); // none fails too
        EXPECT_EQ(QList<int>({read.enabled, read.port, read.qos}), QList<int>({0, 0, 0}));
    }
}

} // namespace
