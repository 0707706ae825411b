#include "Database.h"
#include "LineTable.h"
#include "MeterTable.h"
#include "ProgramFolder.h"
#include "SchemaUpgrade.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Each table's columns as name|type|notnull|default|key, and the indexes.
QStringList shape(const ProgramFolder& folder) {
    QStringList shape = folder.column("select name from sqlite_master order by name");
    for (const QString& table :
         folder.column("select name from sqlite_master where type='table' order by name"))
        shape << folder.rows(QStringLiteral("select * from pragma_table_info('%1')").arg(table));
    return shape;
}

// A store made before lines keeps every row, its meters and history on line 1, and ends up
// shaped as a new store.
TEST(SchemaUpgrade, AStoreWithoutLinesKeepsEveryRowOnLine1) {
    ProgramFolder folder({}, false);
    QFile fixture(QStringLiteral(OLD_SCHEMA));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    for (const QString& statement : QString::fromUtf8(fixture.readAll()).split(";\n"))
        ASSERT_TRUE(statement.trimmed().isEmpty() || folder.exec(statement))
            << qPrintable(statement);
    const char* const tables[] = {"kente", "yibiaodizhi order by dizhi",
                                  "Historydata order by dizhi", "caozuo", "publish"};
    const auto everyRow = [&] {
        QStringList rows;
        for (const char* table : tables)
            rows << folder.rows(QStringLiteral("select * from %1").arg(QLatin1String(table)));
        return rows;
    };
    const QStringList before = everyRow();
    {
        Database db(folder.path());
        ASSERT_TRUE(SchemaUpgrade::run(db.connection()).isDone());
        ASSERT_TRUE(SchemaUpgrade::run(db.connection()).isDone()); // once is enough
    }
    QStringList added;
    for (const QString& row : before)
        added << row + (row.startsWith("3|19200")       ? "|Line 1|150|0|0|||"
                        : row.count('|') == 10          ? "|1|NULL"
                        : row.startsWith("0|localhost") ? "|0"
                                                        : "");
    EXPECT_EQ(everyRow(), added);
    EXPECT_EQ(shape(folder), shape(ProgramFolder()));
}

// A lines table from before gateways gets their columns, its lines staying serial.
TEST(SchemaUpgrade, LinesBeforeGatewaysStaySerial) {
    ProgramFolder folder;
    for (const char* sql : {"drop table lines",
                            "create table lines (number INTEGER PRIMARY KEY, name TEXT, port TEXT)",
                            "insert into lines values (2,'Tank','3')"})
        ASSERT_TRUE(folder.exec(sql)) << sql;
    ASSERT_TRUE(SchemaUpgrade::run(Database(folder.path()).connection()).isDone());
    EXPECT_EQ(folder.rows("select * from lines"),
              QStringList{"2|Tank|3|NULL|NULL|NULL|NULL|serial||0|3000|0|0"});
    EXPECT_EQ(shape(folder), shape(ProgramFolder()));
}

// A meter is its line and its address; a line goes with its meters, never line 1.
TEST(LineTable, LinesKeyMetersAndGoWithThem) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 5};
    ProgramFolder folder(options);
    Database db(folder.path());
    LineTable lines(db.connection());
    MeterTable meters(db.connection());
    const StoredLine line2{2, "Pump house", "/dev/serial/by-id/usb-x-port0", "19200", 2, 200, 80};
    // A gateway: every field goes and comes back.
    StoredLine line3{3,    "Well", "",  "9600", 1,  300, 600, StoredLine::Transport::RtuOverTcp,
                     "gw", 4001,   900, 20,     100};
    EXPECT_EQ(meters.addMeter(2, 5).outcome, StoreWrite::Outcome::NoSuchRow); // no line 2 yet
    ASSERT_TRUE(lines.storeLine(line2).isDone());
    ASSERT_TRUE(lines.storeLine(line3).isDone());
    ASSERT_TRUE(meters.addMeter(2, 5).isDone());
    Reading reading;
    reading.line = 2;
    reading.address = 5;
    reading.flowRate = "2.50";
    ASSERT_TRUE(meters.storeReading(reading).isDone());
    ASSERT_TRUE(meters.snapshot().isDone());
    EXPECT_EQ(folder.rows("select line,dizhi,MinuteAverage from Historydata order by line,dizhi"),
              QStringList({"1|1|", "1|5|", "2|5|2.50"}));
    QStringList keys;
    for (const Reading& stored : meters.readings())
        keys << QStringLiteral("%1/%2").arg(stored.line).arg(stored.address);
    EXPECT_EQ(keys, QStringList({"1/1", "1/5", "2/5"}));

    StoredLine line1 = LineTable::startingLine(1);
    EXPECT_EQ(lines.lines(), QList<StoredLine>({line1, line2, line3}));
    line1.port = "4";
    line1.replyTimeout = 90;
    ASSERT_TRUE(lines.storeLine(line1).isDone());
    EXPECT_EQ(folder.rows("select com,settings,noe,timer,line_name,reply_timeout from kente"),
              QStringList({"4|9600|0|500|Line 1|90"}));
    line3.number = 17;
    EXPECT_TRUE(lines.storeLine(line3).isRefused());
    line3.number = 1; // line 1 stays serial
    EXPECT_TRUE(lines.storeLine(line3).isRefused());
    EXPECT_TRUE(lines.removeLine(1).isRefused());
    ASSERT_TRUE(lines.removeLine(2).isDone());
    EXPECT_EQ(lines.removeLine(2).outcome, StoreWrite::Outcome::NoSuchRow);
    EXPECT_EQ(lines.lines().size(), 2);
    EXPECT_EQ(meters.addresses(1), QList<int>({1, 5}));
    EXPECT_TRUE(meters.addresses(2).isEmpty());
}

// A stored value no line can use reads as that line's fault.
TEST(LineTable, BadStoredValuesAreFaults) {
    const std::pair<const char*, const char*> cases[] = {
        {"update kente set com='ttyUSB0'",
         "Line 1: port \"ttyUSB0\" is neither a port number nor a device path"},
        {"insert into lines (number,port,baud,parity) values (3,'2','9600',5)",
         "Line 3: parity \"5\" is no whole number from 0 to 2"},
        {"insert into lines (number,transport) values (3,'modbus-tcp')",
         "Line 3: the gateway has no host"},
        {"insert into lines (number,transport,host) values (3,'rtu-tcp','gw')",
         "Line 3: TCP port \"0\" is no whole number from 1 to 65535"},
        {"insert into lines (number,transport) values (3,'can')",
         "Line 3: transport \"can\" is none of serial, rtu-tcp, modbus-tcp"},
        {"drop table kente", "Line 1: the settings cannot be read: no such table: kente"},
    };
    for (const auto& [sql, fault] : cases) {
        ProgramFolder folder;
        ASSERT_TRUE(folder.exec(sql));
        Database db(folder.path());
        EXPECT_EQ(LineTable(db.connection()).lines().constLast().fault, fault) << sql;
    }
}

} // namespace
